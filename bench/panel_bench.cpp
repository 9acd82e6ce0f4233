// The panel's cost beside plain Qt: building and showing it, and rebuilding it on a model
// change, each next to the same number of plain QLabels built and shown the same way; and the
// rebuild for a hostile reading of 20,000 windows beside the typical four-window one.
// Run: QT_QPA_PLATFORM=offscreen build/dev/bench/panel_bench

#include "core/source_actor.h"
#include "core/usage_model.h"
#include "platform/login_item.h"
#include "ui/menu_view.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

using namespace tallyglass;

namespace {

constexpr double now = 1'796'461'200;

// The widgets a four-window panel shows as text: title, badge, model, two segments, four rows
// of three, the updated line, the checkbox and two buttons.
constexpr int panelTextWidgets = 20;

class SteadySource final : public UsageSource {
public:
    explicit SteadySource(int extraWindows)
        : m_extraWindows(extraWindows) {}

    std::optional<UsageSnapshot> loadSnapshot() override {
        UsageSnapshot snapshot;
        snapshot.updatedAt = now - 60;
        snapshot.model = "Opus 4.1";
        snapshot.planType = "max";
        snapshot.windows["five_hour"] = {42.4, now + 7200, 300};
        snapshot.windows["seven_day"] = {73.0, now + 3 * 86400, 10080};
        snapshot.windows["seven_day_opus"] = {91.6, now + 3 * 86400, std::nullopt};
        snapshot.windows["seven_day_sonnet"] = {12.0, now + 3 * 86400, std::nullopt};
        for (int i = 0; i < m_extraWindows; ++i)
            snapshot.windows["extra_window_" + std::to_string(i)] = {50.0, now + 3600, 60};
        return snapshot;
    }
    bool isAvailable() override { return true; }
    SetupReport prepare() override { return {}; }

private:
    int m_extraWindows;
};

class FixedClock final : public Clock {
public:
    double now() const override { return ::now; }
};

class NoLoginItem final : public LoginItem {
public:
    LoginItemStatus status() const override { return LoginItemStatus::notRegistered; }
    std::optional<QString> registerItem() override { return std::nullopt; }
    std::optional<QString> unregisterItem() override { return std::nullopt; }
};

struct Fixture {
    explicit Fixture(int extraWindows) {
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral(".config")).toUtf8());
        SourceTable sources;
        sources[SourceKind::claude] =
            std::make_shared<SourceActor>(std::make_unique<SteadySource>(extraWindows));
        model = std::make_unique<UsageModel>(std::move(sources), clock);
        while (!model->snapshot()) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    QTemporaryDir home;
    std::shared_ptr<FixedClock> clock = std::make_shared<FixedClock>();
    std::shared_ptr<NoLoginItem> loginItem = std::make_shared<NoLoginItem>();
    std::unique_ptr<UsageModel> model;
};

Fixture& fixture() {
    static Fixture shared(0);
    return shared;
}

// A reading of 20,000 windows: 1.2 MB of snapshot file, under the reader's size cap.
Fixture& hostileFixture() {
    static Fixture shared(20'000 - 4);
    return shared;
}

double residentMiB() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096 / (1024 * 1024) : 0;
}

void fillWithLabels(QWidget& widget) {
    auto* layout = new QVBoxLayout(&widget);
    for (int i = 0; i < panelTextWidgets; ++i)
        layout->addWidget(new QLabel(QStringLiteral("Weekly limit (7d) %1").arg(i), &widget));
}

void BM_BuildAndShowPanel(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        MenuView view(*f.model, f.clock, f.loginItem);
        view.show();
        QCoreApplication::processEvents();
    }
}

void BM_BuildAndShowPlainLabels(benchmark::State& state) {
    for (auto _ : state) {
        QWidget widget;
        fillWithLabels(widget);
        widget.show();
        QCoreApplication::processEvents();
    }
}

void rebuildPanel(benchmark::State& state, Fixture& f) {
    MenuView view(*f.model, f.clock, f.loginItem);
    view.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        view.rebuild();
        QCoreApplication::processEvents();
    }
    state.counters["resident_MiB"] = residentMiB();
}

void BM_RebuildPanel(benchmark::State& state) {
    rebuildPanel(state, fixture());
}

void BM_RebuildHostilePanel(benchmark::State& state) {
    rebuildPanel(state, hostileFixture());
}

void BM_RebuildPlainLabels(benchmark::State& state) {
    QWidget widget;
    auto* layout = new QVBoxLayout(&widget);
    widget.show();
    QWidget* content = nullptr;
    for (auto _ : state) {
        auto* fresh = new QWidget(&widget);
        fillWithLabels(*fresh);
        if (content)
            delete layout->replaceWidget(content, fresh);
        else
            layout->addWidget(fresh);
        delete content;
        content = fresh;
        content->show();
        QCoreApplication::processEvents();
    }
}

BENCHMARK(BM_BuildAndShowPanel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildAndShowPlainLabels)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RebuildPanel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RebuildPlainLabels)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RebuildHostilePanel)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
