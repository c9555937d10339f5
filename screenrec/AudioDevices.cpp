#include "screenrec/AudioDevices.h"

extern "C" {
#include <libavdevice/avdevice.h>
}

#include <QMap>
#include <QRegularExpression>

#include <memory>

namespace kestrel {

namespace {

struct DeviceListDeleter {
    void operator()(AVDeviceInfoList* list) const { avdevice_free_list_devices(&list); }
};
using DeviceListPtr = std::unique_ptr<AVDeviceInfoList, DeviceListDeleter>;

// A server that does not run, or a missing back end, means no devices.
DeviceListPtr sources(const char* formatName)
{
    const AVInputFormat* format = av_find_input_format(formatName);
    if (!format)
        return nullptr;
    AVDeviceInfoList* list = nullptr;
    if (avdevice_list_input_sources(format, nullptr, nullptr, &list) < 0) {
        avdevice_free_list_devices(&list);
        return nullptr;
    }
    return DeviceListPtr(list);
}

QString firstLine(const char* text)
{
    return QString::fromUtf8(text ? text : "").section(QLatin1Char('\n'), 0, 0).trimmed();
}

void addPulse(QList<AudioDevice>& devices)
{
    const DeviceListPtr list = sources("pulse");
    if (!list || list->nb_devices <= 0)
        return;
    AudioDevice server{QStringLiteral("PulseAudio sound server"), QStringLiteral("pulse"), {}};
    for (int i = 0; i < list->nb_devices; ++i) {
        const AVDeviceInfo* info = list->devices[i];
        const QString name = QString::fromUtf8(info->device_name);
        const QString description = firstLine(info->device_description);
        server.pins.append({description.isEmpty() ? name : description, name});
    }
    devices.append(server);
}

// ALSA hints name PCMs like "plughw:CARD=PCH,DEV=0"; the plughw ones accept
// any sample format, so they are the card's inputs.
void addAlsa(QList<AudioDevice>& devices)
{
    const DeviceListPtr list = sources("alsa");
    if (!list)
        return;
    static const QRegularExpression cardPcm(QStringLiteral("^plughw:CARD=([^,]+),DEV=(\\d+)$"));
    QMap<QString, AudioDevice> cards;
    QStringList order;
    for (int i = 0; i < list->nb_devices; ++i) {
        const AVDeviceInfo* info = list->devices[i];
        const QString name = QString::fromUtf8(info->device_name);
        const QRegularExpressionMatch match = cardPcm.match(name);
        if (!match.hasMatch())
            continue;
        const QString card = match.captured(1);
        const QString description = QString::fromUtf8(info->device_description ? info->device_description : "");
        if (!cards.contains(card)) {
            const QString cardName = description.section(QLatin1Char(','), 0, 0).trimmed();
            cards.insert(card, {cardName.isEmpty() ? card : cardName, QStringLiteral("alsa"), {}});
            order.append(card);
        }
        QString pinName = description.section(QLatin1Char('\n'), 0, 0).section(QLatin1Char(','), 1).trimmed();
        if (pinName.isEmpty())
            pinName = QStringLiteral("Device %1").arg(match.captured(2));
        cards[card].pins.append({pinName, name});
    }
    for (const QString& card : order)
        devices.append(cards.value(card));
}

} // namespace

QList<AudioDevice> AudioDevices::list()
{
    avdevice_register_all();
    QList<AudioDevice> devices;
    addPulse(devices);
    addAlsa(devices);
    return devices;
}

} // namespace kestrel
