#include "screenrec/X11Grabber.h"

#include "engine/PaddedPicture.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>
#include <mutex>

#include <sys/ipc.h>
#include <sys/shm.h>

// Xlib last: its macros (None, Bool, Status) clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xfixes.h>

namespace kestrel {

namespace {

// Xlib reports errors through one handler for the whole process; requests
// on a window that has gone away are expected here, so errors are noted per
// connection instead of ending the program.
std::mutex g_errorMutex;
struct ErrorNote {
    Display* display;
    int code;
};
std::vector<ErrorNote> g_errors;

int noteError(Display* display, XErrorEvent* event)
{
    std::lock_guard lock(g_errorMutex);
    for (ErrorNote& note : g_errors) {
        if (note.display == display && note.code == 0)
            note.code = event->error_code;
    }
    return 0;
}

void watchErrors(Display* display)
{
    std::lock_guard lock(g_errorMutex);
    g_errors.push_back({display, 0});
    XSetErrorHandler(noteError);
}

void unwatchErrors(Display* display)
{
    std::lock_guard lock(g_errorMutex);
    g_errors.erase(std::remove_if(g_errors.begin(), g_errors.end(),
                       [display](const ErrorNote& note) { return note.display == display; }),
        g_errors.end());
}

// The first error since the last call, after the server has answered everything.
int takeError(Display* display)
{
    XSync(display, False);
    std::lock_guard lock(g_errorMutex);
    for (ErrorNote& note : g_errors) {
        if (note.display == display) {
            const int code = note.code;
            note.code = 0;
            return code;
        }
    }
    return 0;
}

} // namespace

struct X11Grabber::Impl {
    Display* display = nullptr;
    Window root = 0;
    Window window = 0; // 0: a fixed rectangle of the screen
    QRect area; // used when window is 0
    QRect screen;
    QSize size; // of the pictures
    bool drawMouse = false;
    bool haveFixes = false;
    bool shm = false;
    XShmSegmentInfo segment{};
    XImage* image = nullptr; // screen-sized; a grab uses its top-left part
    int stride = 0; // bytes per row of the last grab
    FramePtr scaled; // a resized window, scaled before it is placed
    SwsPtr scaler;
    QString error;

    void close()
    {
        if (image) {
            if (shm)
                XShmDetach(display, &segment);
            XDestroyImage(image); // frees the memory of a plain image only
            image = nullptr;
        }
        if (segment.shmaddr) {
            shmdt(segment.shmaddr);
            segment.shmaddr = nullptr;
        }
        if (display) {
            unwatchErrors(display);
            XCloseDisplay(display);
            display = nullptr;
        }
    }

    bool makeImage()
    {
        Visual* visual = DefaultVisual(display, DefaultScreen(display));
        const int depth = DefaultDepth(display, DefaultScreen(display));
        if (shm) {
            image
                = XShmCreateImage(display, visual, depth, ZPixmap, nullptr, &segment, screen.width(), screen.height());
            if (image) {
                segment.shmid = shmget(IPC_PRIVATE, size_t(image->bytes_per_line) * image->height, IPC_CREAT | 0600);
                segment.shmaddr = segment.shmid >= 0 ? static_cast<char*>(shmat(segment.shmid, nullptr, 0)) : nullptr;
                if (segment.shmaddr == reinterpret_cast<char*>(-1))
                    segment.shmaddr = nullptr;
                image->data = segment.shmaddr;
                segment.readOnly = False;
                const bool attached = segment.shmaddr && XShmAttach(display, &segment) && takeError(display) == 0;
                if (segment.shmid >= 0)
                    shmctl(segment.shmid, IPC_RMID, nullptr); // gone once both sides let go
                if (!attached) {
                    // A server on another machine cannot share memory: plain requests instead.
                    XDestroyImage(image);
                    image = nullptr;
                    if (segment.shmaddr)
                        shmdt(segment.shmaddr);
                    segment.shmaddr = nullptr;
                    shm = false;
                }
            }
        }
        return image || !shm;
    }

    // Where the window is now, in screen coordinates; a Result when it cannot be recorded.
    Result locate(QRect* rect)
    {
        if (!window) {
            *rect = area;
            return Result::Picture;
        }
        XWindowAttributes attributes;
        const Status known = XGetWindowAttributes(display, window, &attributes);
        if (takeError(display) != 0 || !known)
            return Result::WindowClosed;
        if (attributes.map_state != IsViewable)
            return Result::WindowHidden;
        int x = 0;
        int y = 0;
        Window child = 0;
        XTranslateCoordinates(display, window, root, 0, 0, &x, &y, &child);
        if (takeError(display) != 0)
            return Result::WindowClosed;
        *rect = QRect(x, y, attributes.width, attributes.height);
        return rect->intersects(screen) ? Result::Picture : Result::WindowOffScreen;
    }

    // The screen's pixels of `part` into image (its top-left part).
    bool read(const QRect& part)
    {
        if (shm) {
            // The server lays the part out in rows of its own width.
            const int fullStride = image->bytes_per_line;
            image->width = part.width();
            image->height = part.height();
            image->bytes_per_line = part.width() * (image->bits_per_pixel / 8);
            const Bool ok = XShmGetImage(display, root, image, part.x(), part.y(), AllPlanes);
            stride = image->bytes_per_line;
            image->width = screen.width();
            image->height = screen.height();
            image->bytes_per_line = fullStride;
            return ok && takeError(display) == 0;
        }
        if (image)
            XDestroyImage(image);
        image = XGetImage(display, root, part.x(), part.y(), part.width(), part.height(), AllPlanes, ZPixmap);
        stride = image ? image->bytes_per_line : 0;
        return image && takeError(display) == 0;
    }

    void drawPointer(AVFrame* picture, const QRect& source, double scale, QPoint offset)
    {
        XFixesCursorImage* cursor = XFixesGetCursorImage(display);
        if (!cursor)
            return;
        const int left = offset.x() + int((cursor->x - cursor->xhot - source.x()) * scale);
        const int top = offset.y() + int((cursor->y - cursor->yhot - source.y()) * scale);
        for (int cy = 0; cy < cursor->height; ++cy) {
            const int y = top + cy;
            if (y < 0 || y >= size.height())
                continue;
            auto* row = reinterpret_cast<uint32_t*>(picture->data[0] + qsizetype(y) * picture->linesize[0]);
            for (int cx = 0; cx < cursor->width; ++cx) {
                const int x = left + cx;
                if (x < 0 || x >= size.width())
                    continue;
                // Premultiplied ARGB.
                const auto argb = uint32_t(cursor->pixels[cy * cursor->width + cx]);
                const uint32_t alpha = argb >> 24;
                if (alpha == 0)
                    continue;
                const uint32_t under = row[x];
                uint32_t out = 0;
                for (int shift = 0; shift < 24; shift += 8) {
                    const uint32_t c = ((argb >> shift) & 0xff) + (((under >> shift) & 0xff) * (255 - alpha)) / 255;
                    out |= std::min<uint32_t>(c, 255) << shift;
                }
                row[x] = out;
            }
        }
        XFree(cursor);
    }
};

X11Grabber::X11Grabber()
    : d(new Impl)
{
}

X11Grabber::~X11Grabber()
{
    d->close();
    delete d;
}

bool X11Grabber::open(const QString& display, quint64 window, QRect area, bool drawMouse)
{
    d->close();
    const QByteArray name = display.toLocal8Bit();
    d->display = XOpenDisplay(name.isEmpty() ? nullptr : name.constData());
    if (!d->display) {
        d->error = QStringLiteral("Cannot connect to the X display \"%1\"")
                       .arg(name.isEmpty() ? QString::fromLocal8Bit(qgetenv("DISPLAY")) : display);
        return false;
    }
    watchErrors(d->display);
    const int screenNumber = DefaultScreen(d->display);
    d->root = RootWindow(d->display, screenNumber);
    d->screen = QRect(0, 0, DisplayWidth(d->display, screenNumber), DisplayHeight(d->display, screenNumber));
    d->window = Window(window);
    d->drawMouse = drawMouse;
    if (DefaultDepth(d->display, screenNumber) < 24) {
        d->error = QStringLiteral("Only screens of 24 or 32 bits a pixel can be recorded");
        return false;
    }
    d->area = window ? QRect() : (area.isValid() ? area.intersected(d->screen) : d->screen);
    QRect start;
    const Result where = d->locate(&start);
    if (where != Result::Picture) {
        d->error = reasonText(where);
        return false;
    }
    // Even sizes: every compressor takes them.
    d->size = QSize(std::max(2, start.width() & ~1), std::max(2, start.height() & ~1));
    int eventBase = 0;
    int errorBase = 0;
    d->haveFixes = drawMouse && XFixesQueryExtension(d->display, &eventBase, &errorBase);
    d->shm = XShmQueryExtension(d->display);
    if (!d->makeImage()) {
        d->error = QStringLiteral("Cannot share memory with the X server");
        return false;
    }
    return true;
}

QSize X11Grabber::pictureSize() const
{
    return d->size;
}

bool X11Grabber::usesSharedMemory() const
{
    return d->shm;
}

QString X11Grabber::error() const
{
    return d->error;
}

QString X11Grabber::reasonText(Result result)
{
    switch (result) {
    case Result::WindowClosed:
        return QStringLiteral("the window was closed");
    case Result::WindowHidden:
        return QStringLiteral("the window was hidden or minimised");
    case Result::WindowOffScreen:
        return QStringLiteral("the window left the screen");
    case Result::Failed:
        return QStringLiteral("the screen could not be read");
    case Result::Picture:
        break;
    }
    return {};
}

X11Grabber::Result X11Grabber::grab(AVFrame* picture)
{
    QRect source;
    const Result where = d->locate(&source);
    if (where != Result::Picture)
        return where;
    const QRect visible = source.intersected(d->screen);
    if (!d->read(visible)) {
        d->error = QStringLiteral("The X server refused the picture");
        return Result::Failed;
    }
    if (d->image->bits_per_pixel != 32) {
        d->error = QStringLiteral("Only screens of 32 bits a pixel can be recorded");
        return Result::Failed;
    }
    const int outW = d->size.width();
    const int outH = d->size.height();
    // The window's whole rectangle fits the picture, centred when it changed size.
    const double scale = std::min({1.0, double(outW) / source.width(), double(outH) / source.height()});
    const QSize placed(int(source.width() * scale), int(source.height() * scale));
    const QPoint offset((outW - placed.width()) / 2, (outH - placed.height()) / 2);
    for (int y = 0; y < outH; ++y)
        std::memset(picture->data[0] + qsizetype(y) * picture->linesize[0], 0, size_t(outW) * 4);

    const QPoint inside = visible.topLeft() - source.topLeft(); // of the visible part in the window
    const auto* pixels = reinterpret_cast<const uint8_t*>(d->image->data);
    const int stride = d->stride;
    if (scale >= 1.0) {
        const int left = offset.x() + inside.x();
        const int top = offset.y() + inside.y();
        const int width = std::min(visible.width(), outW - left);
        for (int y = 0; y < visible.height() && top + y < outH; ++y) {
            if (width > 0)
                std::memcpy(picture->data[0] + qsizetype(top + y) * picture->linesize[0] + left * 4,
                    pixels + qsizetype(y) * stride, size_t(width) * 4);
        }
    } else {
        const QSize part(std::max(1, int(visible.width() * scale)), std::max(1, int(visible.height() * scale)));
        if (!d->scaled || d->scaled->width != part.width() || d->scaled->height != part.height())
            d->scaled = makePaddedFrame(AV_PIX_FMT_BGR0, part.width(), part.height());
        d->scaler.reset(sws_getCachedContext(d->scaler.release(), visible.width(), visible.height(), AV_PIX_FMT_BGR0,
            part.width(), part.height(), AV_PIX_FMT_BGR0, SWS_BILINEAR, nullptr, nullptr, nullptr));
        if (!d->scaled || !d->scaler) {
            d->error = QStringLiteral("Out of memory");
            return Result::Failed;
        }
        // The image's rows are not padded for libswscale: it reads a copy that is.
        FramePtr copy = makePaddedFrame(AV_PIX_FMT_BGR0, visible.width(), visible.height());
        if (!copy) {
            d->error = QStringLiteral("Out of memory");
            return Result::Failed;
        }
        for (int y = 0; y < visible.height(); ++y)
            std::memcpy(copy->data[0] + qsizetype(y) * copy->linesize[0], pixels + qsizetype(y) * stride,
                size_t(visible.width()) * 4);
        sws_scale(
            d->scaler.get(), copy->data, copy->linesize, 0, visible.height(), d->scaled->data, d->scaled->linesize);
        const int left = std::clamp(offset.x() + int(inside.x() * scale), 0, outW - 1);
        const int top = std::clamp(offset.y() + int(inside.y() * scale), 0, outH - 1);
        const int width = std::min(part.width(), outW - left);
        for (int y = 0; y < part.height() && top + y < outH; ++y)
            std::memcpy(picture->data[0] + qsizetype(top + y) * picture->linesize[0] + left * 4,
                d->scaled->data[0] + qsizetype(y) * d->scaled->linesize[0], size_t(width) * 4);
    }
    if (d->haveFixes)
        d->drawPointer(picture, source, scale, offset);
    return Result::Picture;
}

} // namespace kestrel
