#pragma once

#include "core/helper_switch.h"

#include <QWidget>

#include <memory>

class QCheckBox;
class QLabel;
class QPushButton;

namespace tallyglass {

// Takes the statusline helper out of Claude Code or lets it back in: a button while the helper
// is wanted, an unticked checkbox once it was removed, and under them why a removal failed.
class HelperControl final : public QWidget {
    Q_OBJECT

public:
    explicit HelperControl(std::shared_ptr<HelperSwitch> helper, QWidget* parent = nullptr);

    bool isWanted() const { return m_helper->isWanted(); }
    // Shows the button or the checkbox as the stored choice says: another Tallyglass process,
    // run with --remove-helper, may have changed it.
    void followChoice();
    // Fonts and colours follow the panel's palette and font.
    void restyle();

signals:
    // After a removal, or when the user asked for the helper again.
    void changed();

private:
    void remove();
    void allow(bool ticked);
    void showState(const QString& error);

    std::shared_ptr<HelperSwitch> m_helper;
    QPushButton* m_remove;
    QCheckBox* m_allow;
    QLabel* m_errorLine;
};

} // namespace tallyglass
