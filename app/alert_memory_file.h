#pragma once

#include "core/alert_memory.h"

#include <QString>

#include <memory>

namespace tallyglass {

// The alerts' memory as a JSON file (in the state folder). A missing, unreadable or
// malformed file is no memory; members of the wrong type are left out one by one.
class AlertMemoryFile final : public AlertMemory {
public:
    explicit AlertMemoryFile(QString path);

    AlertPeriods load() override;
    void save(const AlertPeriods& periods) override;

private:
    QString m_path;
};

// The memory of the program: "alerts.json" in the state folder; none without a home.
std::shared_ptr<AlertMemory> stateFolderAlertMemory();

} // namespace tallyglass
