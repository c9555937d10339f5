#pragma once

#include <QDialog>
#include <QList>
#include <QMap>
#include <QString>

class QWidget;
class QLabel;

namespace kestrel {

// The settings of one video compressor: the encoder's own options (its
// AVOptions), each with a field for its value. Only values that differ from
// the encoder's defaults are handed back.
class CompressorSettingsDialog : public QDialog {
    Q_OBJECT
public:
    struct Setting {
        QString name; // AVOption name
        QString help;
        QString defaultValue; // as av_opt_get writes it
        QStringList choices; // named values, when the option has some
        bool isBool = false;
    };

    CompressorSettingsDialog(const QString& title, const QString& encoderName, const QMap<QString, QString>& current,
        QWidget* parent = nullptr);

    // False when the encoder has no options of its own.
    static bool hasSettings(const QString& encoderName);
    static QList<Setting> settingsOf(const QString& encoderName);
    // Empty when the encoder takes value for name; else why not.
    static QString check(const QString& encoderName, const QString& name, const QString& value);

    QMap<QString, QString> values() const;
    // The value shown for a setting (tests and the dialog's own checks).
    QString valueOf(const QString& name) const;
    void setValueOf(const QString& name, const QString& value);

    void accept() override;

private:
    QString m_encoderName;
    QList<Setting> m_settings;
    QList<QWidget*> m_fields;
    QLabel* m_problem = nullptr;
};

} // namespace kestrel
