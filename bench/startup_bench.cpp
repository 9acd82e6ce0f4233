// From the start of a process to its tray icon docked in the tray, for the program and for a
// minimal Qt tray program, in turns. Needs an X server with a tray: bench/startup-under-xvfb
// provides one (Xvfb and trayer).

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>

namespace {

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    auto* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(strlen(name)), name),
        nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

class XDisplay {
public:
    XDisplay()
        : m_connection(xcb_connect(nullptr, nullptr)) {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        m_pidAtom = internAtom(m_connection, "_NET_WM_PID");
    }
    ~XDisplay() { xcb_disconnect(m_connection); }

    bool ok() const { return !xcb_connection_has_error(m_connection); }

    // A window of the process that the tray has taken in: reparented and on screen.
    bool hasDockedWindow(qint64 pid) { return search(m_root, pid); }

private:
    bool search(xcb_window_t window, qint64 pid) {
        auto* tree =
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr);
        if (!tree)
            return false;
        bool found = false;
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; !found && i < xcb_query_tree_children_length(tree); ++i)
            found = (window != m_root && isDockedOf(children[i], pid)) || search(children[i], pid);
        std::free(tree);
        return found;
    }

    bool isDockedOf(xcb_window_t window, qint64 pid) {
        auto* property = xcb_get_property_reply(
            m_connection,
            xcb_get_property(m_connection, 0, window, m_pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
        const bool ours = property && xcb_get_property_value_length(property) == 4 &&
                          *static_cast<uint32_t*>(xcb_get_property_value(property)) == pid;
        std::free(property);
        if (!ours)
            return false;
        auto* attributes = xcb_get_window_attributes_reply(
            m_connection, xcb_get_window_attributes(m_connection, window), nullptr);
        const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(attributes);
        return viewable;
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_root = 0;
    xcb_atom_t m_pidAtom = XCB_ATOM_NONE;
};

void timeToDocked(benchmark::State& state, const char* program) {
    XDisplay display;
    if (!display.ok()) {
        state.SkipWithError("no X display: run under bench/startup-under-xvfb");
        return;
    }
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral(".config")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    for (auto _ : state) {
        QProcess process;
        process.setProcessEnvironment(environment);
        const auto start = std::chrono::steady_clock::now();
        process.start(QString::fromLocal8Bit(program), {});
        process.waitForStarted();
        while (!display.hasDockedWindow(process.processId())) {
            if (std::chrono::steady_clock::now() - start > std::chrono::seconds(20)) {
                state.SkipWithError("the icon never docked");
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        process.terminate();
        process.waitForFinished();
    }
}

void BM_StartToTrayIcon(benchmark::State& state) {
    timeToDocked(state, TALLYGLASS_PROGRAM);
}

void BM_StartToTrayIconMinimalQt(benchmark::State& state) {
    timeToDocked(state, TRAY_REFERENCE_PROGRAM);
}

BENCHMARK(BM_StartToTrayIcon)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_StartToTrayIconMinimalQt)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
