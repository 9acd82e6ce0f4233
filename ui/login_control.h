#pragma once

#include "platform/login_item.h"

#include <QWidget>

#include <memory>
#include <optional>

class QCheckBox;
class QLabel;

namespace tallyglass {

// The "Launch at login" checkbox and, under it, the error line of the last failed change.
// The box starts from the login item's status when the control is made and is never polled
// afterwards; every later change of the box, by the user or by this control, is a request.
class LoginControl final : public QWidget {
    Q_OBJECT

public:
    explicit LoginControl(std::shared_ptr<LoginItem> loginItem, QWidget* parent = nullptr);

    bool launchAtLogin() const;
    const std::optional<QString>& loginToggleError() const { return m_loginToggleError; }

    // Fonts and colours follow the panel's palette and font.
    void restyle();

signals:
    void errorShownChanged();

private:
    void setLaunchAtLogin(bool enabled);
    void setLoginToggleError(std::optional<QString> error);

    std::shared_ptr<LoginItem> m_loginItem;
    QCheckBox* m_checkBox;
    QLabel* m_errorLine;
    std::optional<QString> m_loginToggleError;
};

} // namespace tallyglass
