#include "login_control.h"

#include "panel_style.h"

#include <QCheckBox>
#include <QLabel>
#include <QVBoxLayout>

namespace tallyglass {

LoginControl::LoginControl(std::shared_ptr<LoginItem> loginItem, QWidget* parent)
    : QWidget(parent)
    , m_loginItem(std::move(loginItem))
    , m_checkBox(new QCheckBox(tr("Launch at login"), this))
    , m_errorLine(new QLabel(this)) {
    m_checkBox->setObjectName(QStringLiteral("launchAtLogin"));
    m_errorLine->setObjectName(QStringLiteral("loginError"));
    m_errorLine->setWordWrap(true);
    m_errorLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_errorLine->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(footerSpacing);
    layout->addWidget(m_checkBox);
    layout->addWidget(m_errorLine);
    restyle();

    // The initial value is not a request: connect only after setting it.
    m_checkBox->setChecked(m_loginItem->status() == LoginItemStatus::enabled);
    connect(m_checkBox, &QCheckBox::toggled, this, &LoginControl::setLaunchAtLogin);
}

bool LoginControl::launchAtLogin() const {
    return m_checkBox->isChecked();
}

void LoginControl::restyle() {
    m_checkBox->setFont(styledFont(TextStyle::callout, font()));
    m_errorLine->setFont(styledFont(TextStyle::caption2, font()));
    setForeground(m_errorLine, systemColor(SystemColor::orange, palette()));
}

void LoginControl::setLaunchAtLogin(bool enabled) {
    const std::optional<QString> error =
        enabled ? m_loginItem->registerItem() : m_loginItem->unregisterItem();
    if (!error) {
        setLoginToggleError(std::nullopt);
        return;
    }
    setLoginToggleError(*error);
    // Show the real state. When it differs from the user's choice this is itself a change of
    // the box, and so a second request, made with the corrected value.
    m_checkBox->setChecked(m_loginItem->status() == LoginItemStatus::enabled);
}

void LoginControl::setLoginToggleError(std::optional<QString> error) {
    const bool wasShown = m_loginToggleError.has_value();
    m_loginToggleError = std::move(error);
    m_errorLine->setText(m_loginToggleError.value_or(QString()));
    m_errorLine->setVisible(m_loginToggleError.has_value());
    if (wasShown != m_loginToggleError.has_value() || m_loginToggleError)
        emit errorShownChanged();
}

} // namespace tallyglass
