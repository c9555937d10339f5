#pragma once

#include <QList>
#include <QString>

namespace kestrel {

// One input of an audio device: what libavdevice opens to record it.
struct AudioInputPin {
    QString name; // readable, shown in the list
    QString deviceName; // what the input format opens ("alsa_input.pci-...", "plughw:CARD=PCH,DEV=0")
};

// A sound server or sound card with the inputs it can record from.
struct AudioDevice {
    QString name;
    QString inputFormat; // libavdevice input format: "pulse" or "alsa"
    QList<AudioInputPin> pins;
};

// The audio capture devices of this machine: the PulseAudio server with its
// sources when one runs, and every ALSA sound card with its capture devices.
// Software-only ALSA entries ("null", "default") are not devices and are left
// out, so a machine without sound hardware has an empty list.
class AudioDevices {
public:
    static QList<AudioDevice> list();
};

} // namespace kestrel
