#pragma once

#include "core/usage_model.h"
#include "platform/status_item.h"

#include <QObject>

#include <memory>

namespace tallyglass {

// The shell: owns the one model for the life of the process and keeps the status item in step
// with it. No window opens at start.
class TallyglassApp final : public QObject {
    Q_OBJECT

public:
    TallyglassApp(SourceTable sources, std::shared_ptr<const Clock> clock,
                  std::unique_ptr<StatusItem> statusItem, QObject* parent = nullptr);
    ~TallyglassApp() override;

    UsageModel& model() { return *m_model; }
    StatusItem& statusItem() { return *m_statusItem; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void retint();
    void updateStatusItem();

    std::unique_ptr<UsageModel> m_model;
    std::unique_ptr<StatusItem> m_statusItem;
    QIcon m_icon;
};

} // namespace tallyglass
