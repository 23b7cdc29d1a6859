// SPDX-License-Identifier: GPL-3.0-or-later
// How long a program takes to show its window, to the millisecond: watches the X server for the first
// map of a top-level window with the given title, from the moment it starts the program.
//
//   bench_window_shown TITLE PROGRAM [ARGUMENT ...]
//
// Prints "shown_ms=T pid=P": the milliseconds from starting PROGRAM (fork) to the X server's MapNotify of
// a top-level window whose name is TITLE, and the program's process id; the program is left running.
// Exit status 1 when the window did not appear within 20 s (the program is then stopped), 2 on bad use.
// Polling with xdotool instead sees the window only at its next poll (every half second with --sync).

#include <xcb/xcb.h>

#include <sys/types.h>
#include <sys/wait.h>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace {

double monotonicMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

std::string windowName(xcb_connection_t *connection, xcb_window_t window)
{
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(connection, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 256);
    xcb_get_property_reply_t *reply = xcb_get_property_reply(connection, cookie, nullptr);
    if (!reply)
        return {};
    const std::string name(static_cast<const char *>(xcb_get_property_value(reply)),
                           std::size_t(xcb_get_property_value_length(reply)));
    std::free(reply);
    return name;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_window_shown TITLE PROGRAM [ARGUMENT ...]\n");
        return 2;
    }
    const std::string title = argv[1];
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "bench_window_shown: cannot open the display\n");
        return 2;
    }
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const uint32_t events = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &events);
    xcb_flush(connection);

    const double started = monotonicMs();
    const pid_t program = fork();
    if (program == 0) {
        execvp(argv[2], argv + 2);
        std::perror("bench_window_shown: exec");
        _exit(127);
    }

    pollfd watched{xcb_get_file_descriptor(connection), POLLIN, 0};
    while (monotonicMs() - started < 20000) {
        xcb_generic_event_t *event = xcb_poll_for_event(connection);
        if (!event) {
            if (waitpid(program, nullptr, WNOHANG) == program) {
                std::fprintf(stderr, "bench_window_shown: %s ended before showing its window\n", argv[2]);
                return 1;
            }
            poll(&watched, 1, 50);
            continue;
        }
        const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
        const xcb_window_t window = mapped ? reinterpret_cast<xcb_map_notify_event_t *>(event)->window : 0;
        const double at = monotonicMs();
        std::free(event);
        if (mapped && windowName(connection, window) == title) {
            std::printf("shown_ms=%.1f pid=%d\n", at - started, int(program));
            xcb_disconnect(connection);
            return 0;
        }
    }
    std::fprintf(stderr, "bench_window_shown: no window named \"%s\" within 20 s\n", title.c_str());
    kill(program, SIGTERM);
    return 1;
}
