#include "host/x11_display.hpp"

#include <dlfcn.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/code_page.hpp"

namespace kavro::x11 {
namespace {

// The client library is loaded when a call first needs the X server, not when the program
// starts: most programs (the kavro tool above all) never ask, and binding it at start-up costs
// every one of them. The functions used, by their names without the xcb_ prefix:
#define KAVRO_XCB_FUNCTIONS(X)     \
    X(connect)                     \
    X(disconnect)                  \
    X(connection_has_error)        \
    X(get_setup)                   \
    X(setup_roots_iterator)        \
    X(screen_next)                 \
    X(setup_pixmap_formats)        \
    X(setup_pixmap_formats_length) \
    X(intern_atom)                 \
    X(intern_atom_reply)           \
    X(get_property)                \
    X(get_property_reply)          \
    X(get_property_value)          \
    X(get_property_value_length)   \
    X(query_tree)                  \
    X(query_tree_reply)            \
    X(query_tree_children)         \
    X(query_tree_children_length)  \
    X(send_event_checked)          \
    X(request_check)

// One member per function, xcb_connect as connect and so on: the list is the only place the
// names are written, so a member cannot be left unbound.
struct Xcb {
#define KAVRO_XCB_MEMBER(name) decltype(&::xcb_##name) name;
    KAVRO_XCB_FUNCTIONS(KAVRO_XCB_MEMBER)
#undef KAVRO_XCB_MEMBER
};

constexpr const char* kLibrary = "libxcb.so.1";

struct Loaded {
    std::optional<Xcb> xcb;
    std::string problem;  // why it could not be loaded
};

// Looks one function up; the first one missing becomes the problem.
template <class Function>
void bind(void* handle, const char* name, Function& function, std::string& problem) {
    function = reinterpret_cast<Function>(::dlsym(handle, name));
    if (function == nullptr && problem.empty()) {
        problem.assign(kLibrary);
        problem.append(" has no ").append(name);
    }
}

Loaded load() {
    Loaded loaded;
    // Kept loaded for the life of the process: connections may be held across calls.
    void* handle = ::dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* error = ::dlerror();
        loaded.problem.assign(error != nullptr ? error : "cannot load libxcb");
        return loaded;
    }
    Xcb x{};
    std::string& problem = loaded.problem;
#define KAVRO_XCB_BIND(name) bind(handle, "xcb_" #name, x.name, problem);
    KAVRO_XCB_FUNCTIONS(KAVRO_XCB_BIND)
#undef KAVRO_XCB_BIND
    if (problem.empty()) loaded.xcb = x;
    return loaded;
}

const Loaded& library() {
    static const Loaded loaded = load();
    return loaded;
}

// The loaded functions; only called once library() has them.
const Xcb& xcb() {
    return *library().xcb;
}

struct FreeReply {
    void operator()(void* reply) const noexcept { std::free(reply); }
};
template <class Reply>
using ReplyPtr = std::unique_ptr<Reply, FreeReply>;

// One connection to the server DISPLAY names, for the length of one call.
class Connection {
  public:
    Connection() : connection_(library().xcb ? xcb().connect(nullptr, &screenNumber_) : nullptr) {}
    ~Connection() {
        if (connection_ != nullptr) xcb().disconnect(connection_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool ok() const {
        return connection_ != nullptr && xcb().connection_has_error(connection_) == 0;
    }
    xcb_connection_t* get() const { return connection_; }
    const xcb_setup_t* setup() const { return xcb().get_setup(connection_); }

    const xcb_screen_t* screen() const {
        xcb_screen_iterator_t it = xcb().setup_roots_iterator(setup());
        for (int i = 0; it.rem > 0; ++i, xcb().screen_next(&it)) {
            if (i == screenNumber_) return it.data;
        }
        return nullptr;
    }

    xcb_atom_t atom(const char* name) const {
        const auto cookie =
            xcb().intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
        ReplyPtr<xcb_intern_atom_reply_t> reply(
            xcb().intern_atom_reply(connection_, cookie, nullptr));
        return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }

  private:
    int screenNumber_ = 0;
    xcb_connection_t* connection_;
};

struct Property {
    xcb_atom_t type = XCB_ATOM_NONE;
    std::uint8_t format = 0;
    std::string bytes;
};

// A window's property; nothing when it is not set or the window is gone.
std::optional<Property> readProperty(const Connection& x, xcb_window_t window, xcb_atom_t name) {
    const auto cookie = xcb().get_property(x.get(), 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0,
                                           1u << 16);  // in 32-bit units: titles of up to 256 KiB
    xcb_generic_error_t* error = nullptr;
    ReplyPtr<xcb_get_property_reply_t> reply(xcb().get_property_reply(x.get(), cookie, &error));
    std::free(error);
    if (!reply || reply->type == XCB_ATOM_NONE) return std::nullopt;
    Property property;
    property.type = reply->type;
    property.format = reply->format;
    const int length = xcb().get_property_value_length(reply.get());
    if (length > 0) {
        property.bytes.assign(static_cast<const char*>(xcb().get_property_value(reply.get())),
                              static_cast<std::size_t>(length));
    }
    return property;
}

std::vector<xcb_window_t> childrenOf(const Connection& x, xcb_window_t window) {
    ReplyPtr<xcb_query_tree_reply_t> reply(
        xcb().query_tree_reply(x.get(), xcb().query_tree(x.get(), window), nullptr));
    if (!reply) return {};
    const xcb_window_t* children = xcb().query_tree_children(reply.get());
    const int count = xcb().query_tree_children_length(reply.get());
    return std::vector<xcb_window_t>(children, children + (count > 0 ? count : 0));
}

class WindowSearch {
  public:
    explicit WindowSearch(const Connection& x)
        : x_(x),
          wmState_(x.atom("WM_STATE")),
          netWmName_(x.atom("_NET_WM_NAME")),
          utf8String_(x.atom("UTF8_STRING")) {}

    // Under a window manager a top-level window is its frame, and the program's own window (the
    // one with WM_STATE) lies inside it. Without one, the program's window is the top-level one.
    xcb_window_t clientOf(xcb_window_t topLevel) const {
        if (readProperty(x_, topLevel, wmState_)) return topLevel;
        if (auto inner = clientBelow(topLevel, 0)) return *inner;
        return topLevel;
    }

    // The title as UTF-8: _NET_WM_NAME, else WM_NAME (ISO 8859-1 unless typed UTF8_STRING).
    std::optional<std::string> titleOf(xcb_window_t window) const {
        if (auto name = readProperty(x_, window, netWmName_); name && name->format == 8) {
            return name->bytes;
        }
        if (auto name = readProperty(x_, window, XCB_ATOM_WM_NAME); name && name->format == 8) {
            return name->type == utf8String_ ? name->bytes : latin1ToUtf8(name->bytes);
        }
        return std::nullopt;
    }

  private:
    std::optional<xcb_window_t> clientBelow(xcb_window_t window, int depth) const {
        if (depth >= kMaxDepth) return std::nullopt;
        const std::vector<xcb_window_t> children = childrenOf(x_, window);
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            if (readProperty(x_, *it, wmState_)) return *it;
        }
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            if (auto inner = clientBelow(*it, depth + 1)) return inner;
        }
        return std::nullopt;
    }

    static constexpr int kMaxDepth = 6;  // frames nest a few windows deep at most
    const Connection& x_;
    xcb_atom_t wmState_;
    xcb_atom_t netWmName_;
    xcb_atom_t utf8String_;
};

}  // namespace

std::string libraryProblem() {
    return library().problem;
}

std::optional<DisplayMode> currentDisplayMode() {
    const Connection x;
    if (!x.ok()) return std::nullopt;
    const xcb_screen_t* screen = x.screen();
    if (screen == nullptr) return std::nullopt;
    DisplayMode mode;
    mode.width = screen->width_in_pixels;
    mode.height = screen->height_in_pixels;
    mode.bitsPerPixel = screen->root_depth;
    // A pixel of depth 24 is stored in 32 bits: the pixel format tells the bits per pixel.
    const xcb_format_t* formats = xcb().setup_pixmap_formats(x.setup());
    const int count = xcb().setup_pixmap_formats_length(x.setup());
    for (int i = 0; i < count; ++i) {
        if (formats[i].depth == screen->root_depth) mode.bitsPerPixel = formats[i].bits_per_pixel;
    }
    return mode;
}

std::shared_ptr<void> holdDisplay() {
    auto connection = std::make_shared<Connection>();
    if (!connection->ok()) return nullptr;
    return connection;
}

CloseResult askWindowToClose(std::string_view utf8Title) {
    const Connection x;
    if (!x.ok()) return CloseResult::NoDisplay;
    const xcb_screen_t* screen = x.screen();
    if (screen == nullptr) return CloseResult::NoDisplay;
    const WindowSearch search(x);

    // Children come bottom to top in stacking order; the topmost window is asked first.
    const std::vector<xcb_window_t> topLevel = childrenOf(x, screen->root);
    for (auto it = topLevel.rbegin(); it != topLevel.rend(); ++it) {
        const xcb_window_t client = search.clientOf(*it);
        const std::optional<std::string> title = search.titleOf(client);
        if (!title || !equalIgnoringCase(*title, utf8Title)) continue;

        // The X11 close request: WM_PROTOCOLS carrying WM_DELETE_WINDOW, sent to the window itself.
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = client;
        event.type = x.atom("WM_PROTOCOLS");
        event.data.data32[0] = x.atom("WM_DELETE_WINDOW");
        event.data.data32[1] = XCB_CURRENT_TIME;
        const auto cookie = xcb().send_event_checked(x.get(), 0, client, XCB_EVENT_MASK_NO_EVENT,
                                                     reinterpret_cast<const char*>(&event));
        // Waiting for the server's answer means the request has been delivered (or the window
        // was gone already) before the call returns.
        std::free(xcb().request_check(x.get(), cookie));
        return CloseResult::Asked;
    }
    return CloseResult::NoWindow;
}

}  // namespace kavro::x11
