#include "claude_folder_control.h"

#include "core/claude_folder.h"
#include "core/setup_report.h"
#include "elided_label.h"
#include "panel_style.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QPushButton>

namespace tallyglass {

ClaudeFolderControl::ClaudeFolderControl(QWidget* parent)
    : QWidget(parent)
    , m_folder(new ElidedLabel(QString(), this))
    , m_change(new QPushButton(tr("Change…"), this))
    , m_chooser([](QWidget* owner, const QString& current) {
        return QFileDialog::getExistingDirectory(owner, tr("Choose the Claude folder"), current,
                                                 QFileDialog::ShowDirsOnly |
                                                     QFileDialog::DontResolveSymlinks);
    }) {
    setObjectName(QStringLiteral("claudeFolderControl"));
    m_folder->setObjectName(QStringLiteral("claudeFolder"));
    m_folder->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_change->setObjectName(QStringLiteral("changeClaudeFolder"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_folder, 1);
    row->addWidget(m_change);
    connect(m_change, &QPushButton::clicked, this, &ClaudeFolderControl::choose);
    showFolder();
    restyle();
}

void ClaudeFolderControl::showFolder() {
    //: %1 is a folder, such as "~/.claude".
    m_folder->setText(tr("Claude folder: %1").arg(displayPath(claudeFolderPath())));
    m_folder->setAccessibleName(m_folder->text());
    const bool fromEnvironment = claudeFolderFromEnvironment();
    m_change->setEnabled(!fromEnvironment);
    m_change->setToolTip(fromEnvironment ? tr("Set by CLAUDE_CONFIG_DIR") : QString());
}

void ClaudeFolderControl::restyle() {
    m_folder->setFont(styledFont(TextStyle::caption, font()));
    setForeground(m_folder, secondaryColor(palette()));
    m_change->setFont(styledFont(TextStyle::caption, font()));
}

void ClaudeFolderControl::choose() {
    const QString chosen = m_chooser(window(), claudeFolderPath());
    if (chosen.isEmpty() || chosen == claudeFolderPath())
        return;
    setChosenClaudeFolder(chosen);
    showFolder();
    emit folderChanged();
}

} // namespace tallyglass
