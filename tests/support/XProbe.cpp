// sto_x_probe: looks at a program's window from a second connection to the X
// display, as a desktop would: does it answer the ping, does it repaint what
// another window uncovered, and does it take a close request. The tests run it
// while a tool of the program runs; a benchmark times the pings.
//
//   sto_x_probe ping PID TITLE COUNT INTERVAL_MS [STOP_FILE]
//       COUNT pings (with 0, until STOP_FILE exists), one every INTERVAL_MS;
//       prints "ping MS" or "ping none" for each, then
//       "answered A of N; median MS; max MS". Exit 0 when all were answered.
//   sto_x_probe repaint PID TITLE X Y WIDTH HEIGHT
//       covers that rectangle of the window with a window of its own, removes
//       it, and waits for the pixels to be what they were; prints
//       "repainted in MS" or "not repainted". Exit 0 when repainted.
//   sto_x_probe close PID TITLE
//       asks the window to close, as its close box does.
//
// The window is the mapped top-level window of process PID named TITLE; an
// answer is awaited at most 5 seconds.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPatience = std::chrono::seconds(5);

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};
struct ImageDestroyer {
    void operator()(XImage* image) const { XDestroyImage(image); }
};
using Image = std::unique_ptr<XImage, ImageDestroyer>;

class Probe {
public:
    explicit Probe(Display* display) : m_display(display), m_root(DefaultRootWindow(display)) {}

    // The viewable window of `pid` named `title`, searched over the whole tree.
    Window Find(long pid, const std::string& title) { return Find(m_root, pid, title); }

    bool Ping(Window window, long stamp, double& milliseconds) {
        XSelectInput(m_display, m_root, SubstructureNotifyMask);
        const auto start = Clock::now();
        SendProtocol(window, "_NET_WM_PING", stamp);
        // The answer comes back to the root window, as the desktop expects it.
        const bool answered = WaitFor(
            [&](const XEvent& e) {
                return e.type == ClientMessage && e.xclient.window == m_root &&
                       e.xclient.message_type == Intern("WM_PROTOCOLS") &&
                       e.xclient.data.l[0] == static_cast<long>(Intern("_NET_WM_PING")) &&
                       e.xclient.data.l[1] == stamp &&
                       e.xclient.data.l[2] == static_cast<long>(window);
            },
            start + kPatience);
        milliseconds = MillisecondsSince(start);
        return answered;
    }

    void Close(Window window) { SendProtocol(window, "WM_DELETE_WINDOW", CurrentTime); }

    // Covers the rectangle, uncovers it and waits for what was there.
    bool Repaint(Window window, int x, int y, unsigned width, unsigned height,
                 double& milliseconds) {
        int left = 0;
        int top = 0;
        Window child = 0;
        XTranslateCoordinates(m_display, window, m_root, x, y, &left, &top, &child);
        // What the window shows once it has settled (it may be redrawing as disabled).
        Image before = Grab(left, top, width, height);
        for (auto until = Clock::now() + kPatience; Clock::now() < until;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            Image again = Grab(left, top, width, height);
            if (Same(before, again)) {
                break;
            }
            before = std::move(again);
        }
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.background_pixel = 0xFF00FF;
        const Window cover = XCreateWindow(m_display, m_root, left, top, width, height, 0,
                                           CopyFromParent, InputOutput, CopyFromParent,
                                           CWOverrideRedirect | CWBackPixel, &attributes);
        XMapRaised(m_display, cover);
        XSync(m_display, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const bool covered = !Same(before, Grab(left, top, width, height));
        XDestroyWindow(m_display, cover);
        XSync(m_display, False);
        const auto start = Clock::now();
        while (Clock::now() < start + kPatience) {
            if (Same(before, Grab(left, top, width, height))) {
                milliseconds = MillisecondsSince(start);
                return covered;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

private:
    // A window-manager protocol message, as the desktop sends it.
    void SendProtocol(Window window, const char* protocol, long time) {
        XEvent message{};
        message.xclient.type = ClientMessage;
        message.xclient.window = window;
        message.xclient.message_type = Intern("WM_PROTOCOLS");
        message.xclient.format = 32;
        message.xclient.data.l[0] = static_cast<long>(Intern(protocol));
        message.xclient.data.l[1] = time;
        message.xclient.data.l[2] = static_cast<long>(window);
        XSendEvent(m_display, window, False, NoEventMask, &message);
        XSync(m_display, False);
    }

    Atom Intern(const char* name) { return XInternAtom(m_display, name, False); }

    Window Find(Window parent, long pid, const std::string& title) {
        Window root = 0;
        Window up = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(m_display, parent, &root, &up, &children, &count)) {
            return 0;
        }
        Window found = 0;
        for (unsigned i = 0; i < count && !found; ++i) {
            if (Matches(children[i], pid, title)) {
                found = children[i];
            } else {
                found = Find(children[i], pid, title);
            }
        }
        if (children) {
            XFree(children);
        }
        return found;
    }

    bool Matches(Window window, long pid, const std::string& title) {
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(m_display, window, &attributes) ||
            attributes.map_state != IsViewable) {
            return false;
        }
        Atom type = 0;
        int format = 0;
        unsigned long items = 0;
        unsigned long left = 0;
        unsigned char* data = nullptr;
        bool ours = false;
        if (XGetWindowProperty(m_display, window, Intern("_NET_WM_PID"), 0, 1, False, XA_CARDINAL,
                               &type, &format, &items, &left, &data) == Success &&
            data && items == 1 && format == 32) {
            ours = *reinterpret_cast<long*>(data) == pid;
        }
        if (data) {
            XFree(data);
        }
        char* name = nullptr;
        if (ours && XFetchName(m_display, window, &name) && name) {
            ours = title == name;
            XFree(name);
        }
        return ours;
    }

    template <typename Match> bool WaitFor(Match match, Clock::time_point until) {
        while (true) {
            while (XPending(m_display)) {
                XEvent e;
                XNextEvent(m_display, &e);
                if (match(e)) {
                    return true;
                }
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
            if (left.count() <= 0) {
                return false;
            }
            pollfd fd{ConnectionNumber(m_display), POLLIN, 0};
            poll(&fd, 1, static_cast<int>(left.count()));
        }
    }

    Image Grab(int x, int y, unsigned width, unsigned height) {
        return Image(XGetImage(m_display, m_root, x, y, width, height, AllPlanes, ZPixmap));
    }

    static bool Same(const Image& a, const Image& b) {
        if (!a || !b || a->width != b->width || a->height != b->height) {
            return false;
        }
        for (int y = 0; y < a->height; ++y) {
            for (int x = 0; x < a->width; ++x) {
                if (XGetPixel(a.get(), x, y) != XGetPixel(b.get(), x, y)) {
                    return false;
                }
            }
        }
        return true;
    }

    Display* m_display;
    Window m_root;
};

int Usage() {
    std::fprintf(stderr, "usage: sto_x_probe ping|repaint|close PID TITLE ...\n");
    return 2;
}

bool Exists(const char* path) {
    struct stat st {};
    return path && stat(path, &st) == 0;
}

int RunPings(Probe& probe, Window window, int count, int interval, const char* stopFile) {
    std::vector<double> times;
    int sent = 0;
    for (; count == 0 ? !Exists(stopFile) : sent < count; ++sent) {
        if (sent > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(interval));
        }
        double ms = 0;
        if (probe.Ping(window, 1000 + sent, ms)) {
            times.push_back(ms);
            std::printf("ping %.1f\n", ms);
        } else {
            std::printf("ping none\n");
        }
    }
    std::sort(times.begin(), times.end());
    std::printf("answered %zu of %d; median %.1f ms; max %.1f ms\n", times.size(), sent,
                times.empty() ? 0.0 : times[times.size() / 2], times.empty() ? 0.0 : times.back());
    return static_cast<int>(times.size()) == sent ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        return Usage();
    }
    const std::string command = argv[1];
    std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
    if (!display) {
        std::fprintf(stderr, "sto_x_probe: no display\n");
        return 2;
    }
    Probe probe(display.get());
    Window window = 0;
    for (auto until = Clock::now() + kPatience; !window && Clock::now() < until;) {
        window = probe.Find(std::atol(argv[2]), argv[3]);
        if (!window) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    if (!window) {
        std::printf("no window\n");
        return 1;
    }
    if (command == "ping" && argc >= 6) {
        return RunPings(probe, window, std::atoi(argv[4]), std::atoi(argv[5]),
                        argc >= 7 ? argv[6] : nullptr);
    }
    if (command == "repaint" && argc == 8) {
        double ms = 0;
        const bool repainted = probe.Repaint(window, std::atoi(argv[4]), std::atoi(argv[5]),
                                             static_cast<unsigned>(std::atoi(argv[6])),
                                             static_cast<unsigned>(std::atoi(argv[7])), ms);
        if (repainted) {
            std::printf("repainted in %.1f ms\n", ms);
        } else {
            std::printf("not repainted\n");
        }
        return repainted ? 0 : 1;
    }
    if (command == "close") {
        probe.Close(window);
        std::printf("asked to close\n");
        return 0;
    }
    return Usage();
}
