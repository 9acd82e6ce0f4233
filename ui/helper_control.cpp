#include "helper_control.h"

#include "panel_style.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tallyglass {

HelperControl::HelperControl(std::shared_ptr<HelperSwitch> helper, QWidget* parent)
    : QWidget(parent)
    , m_helper(std::move(helper))
    , m_remove(new QPushButton(tr("Remove from Claude Code"), this))
    , m_allow(new QCheckBox(tr("Add helper to Claude Code"), this))
    , m_errorLine(new QLabel(this)) {
    setObjectName(QStringLiteral("helperControl"));
    m_remove->setObjectName(QStringLiteral("removeHelper"));
    m_remove->setToolTip(tr("Puts back your own Claude Code status line and stops Tallyglass "
                            "from adding its helper."));
    m_allow->setObjectName(QStringLiteral("addHelper"));
    m_allow->setToolTip(tr("Tallyglass learns Claude Code's limits through a helper in Claude "
                           "Code's status line."));
    m_errorLine->setObjectName(QStringLiteral("helperError"));
    m_errorLine->setWordWrap(true);
    m_errorLine->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(footerSpacing);
    layout->addWidget(m_remove, 0, Qt::AlignLeft);
    layout->addWidget(m_allow);
    layout->addWidget(m_errorLine);
    restyle();
    showState(QString());

    connect(m_remove, &QPushButton::clicked, this, &HelperControl::remove);
    connect(m_allow, &QCheckBox::toggled, this, &HelperControl::allow);
}

void HelperControl::restyle() {
    m_remove->setFont(styledFont(TextStyle::subheadline, font()));
    m_allow->setFont(styledFont(TextStyle::callout, font()));
    m_errorLine->setFont(styledFont(TextStyle::caption2, font()));
    setForeground(m_errorLine, systemColor(SystemColor::orange, palette()));
}

void HelperControl::remove() {
    showState(m_helper->remove().value_or(QString()));
    emit changed();
}

void HelperControl::allow(bool ticked) {
    if (!ticked)
        return;
    m_helper->allow();
    showState(QString());
    emit changed();
}

void HelperControl::followChoice() {
    const bool wanted = m_helper->isWanted();
    m_remove->setVisible(wanted);
    m_allow->setVisible(!wanted);
    // Unticked whenever shown: ticking it is the request.
    const QSignalBlocker quiet(m_allow);
    m_allow->setChecked(false);
}

void HelperControl::showState(const QString& error) {
    followChoice();
    m_errorLine->setText(error);
    m_errorLine->setVisible(!error.isEmpty());
}

} // namespace tallyglass
