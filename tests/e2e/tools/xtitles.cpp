// Prints every window title that any client sets, in the order the X server receives them, one
// line each (UTF-8), as long as it runs. Titles come and go faster than anyone could poll them, so
// they are taken from the requests themselves (the server's RECORD extension): none is missed.
// Prints "recording" first, once it listens. Usage: xtitles
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <sys/select.h>

namespace {

Atom titleAtom = None;

void onRecorded(XPointer, XRecordInterceptData* data) {
    if (data->category == XRecordFromClient && data->data_len * 4 >= sz_xChangePropertyReq) {
        xChangePropertyReq request;
        std::memcpy(&request, data->data, sz_xChangePropertyReq);
        if (request.reqType == X_ChangeProperty && request.property == titleAtom && request.format == 8) {
            const size_t available = data->data_len * 4 - sz_xChangePropertyReq;
            const size_t n = std::min<size_t>(request.nUnits, available);
            const std::string title(reinterpret_cast<const char*>(data->data) + sz_xChangePropertyReq, n);
            std::printf("%s\n", title.c_str());
            std::fflush(stdout);
        }
    }
    XRecordFreeData(data);
}

} // namespace

int main() {
    Display* control = XOpenDisplay(nullptr);
    Display* recording = XOpenDisplay(nullptr);
    int major = 0, minor = 0;
    if (!control || !recording || !XRecordQueryVersion(control, &major, &minor)) {
        std::fprintf(stderr, "xtitles: no display with the RECORD extension\n");
        return 1;
    }
    titleAtom = XInternAtom(control, "_NET_WM_NAME", False);
    XRecordRange* range = XRecordAllocRange();
    range->core_requests.first = X_ChangeProperty;
    range->core_requests.last = X_ChangeProperty;
    XRecordClientSpec clients = XRecordAllClients;
    XRecordContext context = XRecordCreateContext(control, 0, &clients, 1, &range, 1);
    XSync(control, False);
    if (!context || !XRecordEnableContextAsync(recording, context, onRecorded, nullptr)) {
        std::fprintf(stderr, "xtitles: cannot record\n");
        return 1;
    }
    XRecordProcessReplies(recording);
    std::printf("recording\n");
    std::fflush(stdout);
    const int fd = ConnectionNumber(recording);
    for (;;) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(fd, &readable);
        if (select(fd + 1, &readable, nullptr, nullptr, nullptr) < 0) return 1;
        XRecordProcessReplies(recording);
    }
}
