#include "claude_folder_control.h"

#include "core/claude_folder.h"
#include "core/setup_report.h"
#include "elided_label.h"
#include "panel_style.h"
#include "source_switch.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

namespace tallyglass {
namespace {

QString askFolder(QWidget* owner, const QString& title, const QString& current) {
    return QFileDialog::getExistingDirectory(
        owner, title, current, QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
}

QAction* menuAction(QMenu& menu, const QString& text, const QString& name) {
    QAction* action = menu.addAction(text);
    action->setObjectName(name);
    return action;
}

} // namespace

ClaudeFolderControl::ClaudeFolderControl(QWidget* parent)
    : QWidget(parent)
    , m_folder(new ElidedLabel(QString(), this))
    , m_change(new QPushButton(tr("Change…"), this))
    , m_errorLine(new QLabel(this))
    , m_chooser([](QWidget* owner, const QString& current) {
        return askFolder(owner, tr("Choose the Claude folder"), current);
    })
    , m_askName([](QWidget* owner, const QString& current) -> std::optional<QString> {
        bool ok = false;
        const QString name = QInputDialog::getText(owner, tr("Name this Claude source"),
                                                   tr("Name in the switch (empty for the "
                                                      "default):"),
                                                   QLineEdit::Normal, current, &ok);
        return ok ? std::optional(name) : std::nullopt;
    })
    , m_runMenu([](QMenu& menu, const QPoint& at) { return menu.exec(at); }) {
    setObjectName(QStringLiteral("claudeFolderControl"));
    m_folder->setObjectName(QStringLiteral("claudeFolder"));
    m_folder->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_change->setObjectName(QStringLiteral("changeClaudeFolder"));
    m_errorLine->setObjectName(QStringLiteral("claudeFolderError"));
    m_errorLine->setWordWrap(true);
    m_errorLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_errorLine->hide();
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(footerSpacing);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_folder, 1);
    row->addWidget(m_change);
    column->addLayout(row);
    column->addWidget(m_errorLine);
    connect(m_change, &QPushButton::clicked, this, &ClaudeFolderControl::openMenu);
    showFolder();
    restyle();
}

void ClaudeFolderControl::showFolder(int number) {
    if (number != m_number)
        showError(QString());
    m_number = number;
    //: %1 is a folder, such as "~/.claude".
    m_folder->setText(tr("Claude folder: %1").arg(displayPath(claudeFolderPath(number))));
    m_folder->setAccessibleName(m_folder->text());
}

void ClaudeFolderControl::restyle() {
    m_folder->setFont(styledFont(TextStyle::caption, font()));
    setForeground(m_folder, secondaryColor(palette()));
    m_change->setFont(styledFont(TextStyle::caption, font()));
    m_errorLine->setFont(styledFont(TextStyle::caption2, font()));
    setForeground(m_errorLine, systemColor(SystemColor::orange, palette()));
}

void ClaudeFolderControl::openMenu() {
    QMenu menu(this);
    QAction* choose = nullptr;
    QAction* remove = nullptr;
    if (m_number == 0) {
        choose =
            menuAction(menu, tr("Choose another folder…"), QStringLiteral("chooseClaudeFolder"));
        if (claudeFolderFromEnvironment()) {
            choose->setEnabled(false);
            choose->setText(tr("Set by CLAUDE_CONFIG_DIR"));
        }
    }
    QAction* add =
        menuAction(menu, tr("Add another Claude folder…"), QStringLiteral("addClaudeFolder"));
    QAction* rename = menuAction(menu, tr("Name this source…"), QStringLiteral("nameClaudeSource"));
    if (m_number != 0)
        remove =
            menuAction(menu, tr("Stop watching this folder"), QStringLiteral("removeClaudeFolder"));
    QAction* picked = m_runMenu(menu, m_change->mapToGlobal(QPoint(0, m_change->height())));
    if (!picked || !picked->isEnabled())
        return;
    if (picked == choose)
        this->choose();
    else if (picked == add)
        this->add();
    else if (picked == rename)
        this->rename();
    else if (picked == remove)
        this->remove();
}

void ClaudeFolderControl::choose() {
    const QString chosen = m_chooser(window(), claudeFolderPath());
    if (chosen.isEmpty() || chosen == claudeFolderPath())
        return;
    setChosenClaudeFolder(chosen);
    showFolder(0);
    emit folderChanged();
}

void ClaudeFolderControl::add() {
    const QString chosen = m_chooser(window(), QDir::homePath());
    if (chosen.isEmpty())
        return;
    const int number = addClaudeFolder(chosen);
    if (number == 0) {
        //: %1 is a folder, such as "~/.claude-work".
        showError(tr("%1 is already watched.").arg(displayPath(chosen)));
        return;
    }
    showError(QString());
    emit folderAdded(number);
}

void ClaudeFolderControl::rename() {
    const auto name = m_askName(window(), displayName(SourceId(SourceKind::claude, m_number)));
    if (!name)
        return;
    setClaudeSourceName(m_number, *name);
    emit renamed();
}

// The helper goes first: once the folder is forgotten nothing would take it out.
void ClaudeFolderControl::remove() {
    const int number = m_number;
    if (m_removeHelper) {
        if (const auto failure = m_removeHelper(claudeFolderPath(number))) {
            showError(*failure);
            return;
        }
    }
    removeClaudeFolder(number);
    emit folderRemoved(number);
}

void ClaudeFolderControl::showError(const QString& error) {
    m_errorLine->setText(error);
    m_errorLine->setVisible(!error.isEmpty());
}

} // namespace tallyglass
