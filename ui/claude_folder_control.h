#pragma once

#include <QWidget>

#include <functional>
#include <optional>

class QAction;
class QLabel;
class QMenu;
class QPushButton;

namespace tallyglass {

class ElidedLabel;

// Names the folder of the watched Claude source and, from the menu of its Change button, lets
// the user choose another Claude folder (for sessions that do not hand CLAUDE_CONFIG_DIR to
// desktop programs; while the variable is set it decides), add a further folder as a source of
// its own (a second account), name the source, and remove a further folder. All of it is
// remembered in Tallyglass's settings.
class ClaudeFolderControl final : public QWidget {
    Q_OBJECT

public:
    // Asks the user for a folder, starting at current; empty when cancelled.
    using FolderChooser = std::function<QString(QWidget* parent, const QString& current)>;
    // Asks for a source's name, starting from current; none when cancelled.
    using NameAsker =
        std::function<std::optional<QString>(QWidget* parent, const QString& current)>;
    // Shows the menu and answers the action picked; none when dismissed.
    using MenuRunner = std::function<QAction*(QMenu& menu, const QPoint& at)>;
    // Takes the helper out of a folder no longer watched; why not, when it could not.
    using HelperRemover = std::function<std::optional<QString>(const QString& folder)>;

    explicit ClaudeFolderControl(QWidget* parent = nullptr);

    // Tests answer the dialogs and the menu in place of the user.
    void setFolderChooser(FolderChooser chooser) { m_chooser = std::move(chooser); }
    void setNameAsker(NameAsker asker) { m_askName = std::move(asker); }
    void setMenuRunner(MenuRunner runner) { m_runMenu = std::move(runner); }
    void setHelperRemover(HelperRemover remover) { m_removeHelper = std::move(remover); }

    // Reads the folder of that Claude source afresh: 0 the Claude folder, else a further one.
    void showFolder(int number = 0);
    void restyle();

signals:
    // The Claude folder itself moved.
    void folderChanged();
    void folderAdded(int number);
    void folderRemoved(int number);
    void renamed();

private:
    void openMenu();
    void choose();
    void add();
    void rename();
    void remove();
    void showError(const QString& error);

    ElidedLabel* m_folder;
    QPushButton* m_change;
    QLabel* m_errorLine;
    int m_number = 0;
    FolderChooser m_chooser;
    NameAsker m_askName;
    MenuRunner m_runMenu;
    HelperRemover m_removeHelper;
};

} // namespace tallyglass
