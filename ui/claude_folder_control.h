#pragma once

#include <QWidget>

#include <functional>

class QPushButton;

namespace tallyglass {

class ElidedLabel;

// Names the Claude folder and lets the user choose another, for sessions that do not hand
// CLAUDE_CONFIG_DIR to desktop programs. The choice is remembered in Tallyglass's settings;
// while the variable is set it decides, and the button is off.
class ClaudeFolderControl final : public QWidget {
    Q_OBJECT

public:
    // Asks the user for a folder, starting at current; empty when cancelled.
    using FolderChooser = std::function<QString(QWidget* parent, const QString& current)>;

    explicit ClaudeFolderControl(QWidget* parent = nullptr);

    // Tests answer the dialog in place of the user.
    void setFolderChooser(FolderChooser chooser) { m_chooser = std::move(chooser); }

    // Reads the folder in use afresh.
    void showFolder();
    void restyle();

signals:
    void folderChanged();

private:
    void choose();

    ElidedLabel* m_folder;
    QPushButton* m_change;
    FolderChooser m_chooser;
};

} // namespace tallyglass
