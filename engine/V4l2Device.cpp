#include "engine/V4l2Device.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace kestrel {

namespace {

int xioctl(int fd, unsigned long request, void* argument)
{
    int result;
    do {
        result = ioctl(fd, request, argument);
    } while (result < 0 && errno == EINTR);
    return result;
}

QString fourccText(quint32 fourcc)
{
    QByteArray text;
    for (int i = 0; i < 4; ++i)
        text.append(char((fourcc >> (8 * i)) & 0xff));
    return QString::fromLatin1(text).trimmed();
}

int bitsPerPixel(quint32 fourcc)
{
    switch (fourcc) {
    case V4L2_PIX_FMT_RGB24:
    case V4L2_PIX_FMT_BGR24:
    case V4L2_PIX_FMT_MJPEG:
    case V4L2_PIX_FMT_JPEG:
        return 24;
    case V4L2_PIX_FMT_RGB32:
    case V4L2_PIX_FMT_BGR32:
    case V4L2_PIX_FMT_XBGR32:
    case V4L2_PIX_FMT_XRGB32:
        return 32;
    case V4L2_PIX_FMT_NV12:
    case V4L2_PIX_FMT_NV21:
    case V4L2_PIX_FMT_YUV420:
    case V4L2_PIX_FMT_YVU420:
        return 12;
    case V4L2_PIX_FMT_GREY:
        return 8;
    default:
        return 16; // the packed 4:2:2 family (YUYV, UYVY ...) and RGB565
    }
}

} // namespace

V4l2Device::V4l2Device(const QString& path)
{
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
}

V4l2Device::~V4l2Device()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

CaptureFormatTable V4l2Device::formats() const
{
    CaptureFormatTable table;
    if (m_fd < 0)
        return table;
    for (quint32 formatIndex = 0;; ++formatIndex) {
        v4l2_fmtdesc desc{};
        desc.index = formatIndex;
        desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (xioctl(m_fd, VIDIOC_ENUM_FMT, &desc) < 0)
            break;
        const QString name = fourccText(desc.pixelformat);
        const int bits = bitsPerPixel(desc.pixelformat);
        for (quint32 sizeIndex = 0;; ++sizeIndex) {
            v4l2_frmsizeenum size{};
            size.index = sizeIndex;
            size.pixel_format = desc.pixelformat;
            if (xioctl(m_fd, VIDIOC_ENUM_FRAMESIZES, &size) < 0)
                break;
            if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
                table.append({int(size.discrete.width), int(size.discrete.height), bits, name});
                continue;
            }
            static constexpr int common[][2]
                = {{160, 120}, {320, 240}, {640, 480}, {800, 600}, {1024, 768}, {1280, 720}, {1920, 1080}};
            const auto& s = size.stepwise;
            for (const auto& wh : common) {
                const quint32 w = wh[0], h = wh[1];
                if (w >= s.min_width && w <= s.max_width && h >= s.min_height && h <= s.max_height)
                    table.append({int(w), int(h), bits, name});
            }
            break;
        }
    }
    return table;
}

QList<V4l2Control> V4l2Device::controls() const
{
    QList<V4l2Control> list;
    if (m_fd < 0)
        return list;
    v4l2_queryctrl query{};
    query.id = V4L2_CTRL_FLAG_NEXT_CTRL;
    while (xioctl(m_fd, VIDIOC_QUERYCTRL, &query) == 0) {
        const quint32 id = query.id;
        query.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
        if (query.flags & V4L2_CTRL_FLAG_DISABLED)
            continue;
        V4l2Control control;
        control.id = id;
        control.name = QString::fromUtf8(reinterpret_cast<const char*>(query.name));
        control.minimum = query.minimum;
        control.maximum = query.maximum;
        control.step = query.step > 0 ? int(query.step) : 1;
        control.defaultValue = query.default_value;
        control.readOnly = query.flags & V4L2_CTRL_FLAG_READ_ONLY;
        switch (query.type) {
        case V4L2_CTRL_TYPE_INTEGER:
            control.kind = V4l2Control::Kind::Integer;
            break;
        case V4L2_CTRL_TYPE_BOOLEAN:
            control.kind = V4l2Control::Kind::Boolean;
            break;
        case V4L2_CTRL_TYPE_BUTTON:
            control.kind = V4l2Control::Kind::Button;
            break;
        case V4L2_CTRL_TYPE_MENU:
        case V4L2_CTRL_TYPE_INTEGER_MENU:
            control.kind = V4l2Control::Kind::Menu;
            for (int item = query.minimum; item <= query.maximum; ++item) {
                v4l2_querymenu menu{};
                menu.id = id;
                menu.index = quint32(item);
                if (xioctl(m_fd, VIDIOC_QUERYMENU, &menu) < 0)
                    control.menuItems.append(QString());
                else if (query.type == V4L2_CTRL_TYPE_MENU)
                    control.menuItems.append(QString::fromUtf8(reinterpret_cast<const char*>(menu.name)));
                else
                    control.menuItems.append(QString::number(menu.value));
            }
            break;
        default:
            continue; // class headers, strings and compound controls are not user settings here
        }
        list.append(control);
    }
    return list;
}

bool V4l2Device::control(quint32 id, int* value) const
{
    v4l2_control c{};
    c.id = id;
    if (m_fd < 0 || xioctl(m_fd, VIDIOC_G_CTRL, &c) < 0)
        return false;
    *value = c.value;
    return true;
}

bool V4l2Device::setControl(quint32 id, int value)
{
    v4l2_control c{};
    c.id = id;
    c.value = value;
    return m_fd >= 0 && xioctl(m_fd, VIDIOC_S_CTRL, &c) == 0;
}

QString V4l2Device::ffmpegFormatName(const QString& shortName)
{
    static const struct {
        const char* v4l2;
        const char* ffmpeg;
    } names[] = {{"YUYV", "yuyv422"}, {"UYVY", "uyvy422"}, {"MJPG", "mjpeg"}, {"JPEG", "mjpeg"}, {"RGB3", "rgb24"},
        {"BGR3", "bgr24"}, {"NV12", "nv12"}, {"YU12", "yuv420p"}, {"GREY", "gray"}, {"H264", "h264"}};
    for (const auto& n : names)
        if (shortName.compare(QLatin1String(n.v4l2), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(n.ffmpeg);
    return {};
}

} // namespace kestrel
