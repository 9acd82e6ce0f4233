// A virtual pointer on a wlroots compositor (sway), alive while its standard input is open: one
// device for the whole run, as a mouse is, so that clients keep the pointer they bound when it
// came. Each line "X Y BUTTON" moves it to (X, Y) of a 1280 × 800 screen and clicks the button
// (the kernel's code; 0 moves only); "ok" answers once the compositor has taken it.
#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

namespace {

// The requests of wlr-virtual-pointer-unstable-v1 that are used, in protocol order.
const wl_interface* noTypes[5] = {};
extern const wl_interface pointerInterface;
const wl_interface* createTypes[] = {&wl_seat_interface, &pointerInterface};
const wl_message managerRequests[] = {{"create_virtual_pointer", "?on", createTypes}};
const wl_message pointerRequests[] = {{"motion", "uff", noTypes},
                                      {"motion_absolute", "uuuuu", noTypes},
                                      {"button", "uuu", noTypes},
                                      {"axis", "uuf", noTypes},
                                      {"frame", "", noTypes}};
const wl_interface managerInterface = {
    "zwlr_virtual_pointer_manager_v1", 1, 1, managerRequests, 0, nullptr};
const wl_interface pointerInterface = {"zwlr_virtual_pointer_v1", 1, 5,
                                       pointerRequests,           0, nullptr};
enum { motionAbsolute = 1, button = 2, frame = 4 };

struct Globals {
    wl_seat* seat = nullptr;
    wl_proxy* manager = nullptr;
};

void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    auto* globals = static_cast<Globals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !globals->seat)
        globals->seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, managerInterface.name) == 0)
        globals->manager =
            static_cast<wl_proxy*>(wl_registry_bind(registry, name, &managerInterface, 1));
}
void globalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener registryListener = {global, globalRemove};

} // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::cerr << "no Wayland display\n";
        return 1;
    }
    Globals globals;
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, &globals);
    wl_display_roundtrip(display);
    if (!globals.seat || !globals.manager) {
        std::cerr << "the compositor offers no virtual pointer\n";
        return 1;
    }
    wl_proxy* pointer =
        wl_proxy_marshal_flags(globals.manager, 0, &pointerInterface, 1, 0, globals.seat, nullptr);
    wl_display_roundtrip(display);
    std::cout << "ok" << std::endl;
    uint32_t time = 0;
    unsigned x = 0, y = 0, code = 0;
    std::string line;
    while (std::getline(std::cin, line)) {
        if (std::sscanf(line.c_str(), "%u %u %u", &x, &y, &code) != 3)
            continue;
        wl_proxy_marshal_flags(pointer, motionAbsolute, nullptr, 1, 0, ++time, x, y, 1280u, 800u);
        wl_proxy_marshal_flags(pointer, frame, nullptr, 1, 0);
        for (uint32_t state : {1u, 0u}) {
            if (code == 0)
                break;
            wl_proxy_marshal_flags(pointer, button, nullptr, 1, 0, time += 50, code, state);
            wl_proxy_marshal_flags(pointer, frame, nullptr, 1, 0);
        }
        if (wl_display_roundtrip(display) < 0)
            return 1;
        std::cout << "ok" << std::endl;
    }
    wl_display_disconnect(display);
    return 0;
}
