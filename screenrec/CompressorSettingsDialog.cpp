#include "screenrec/CompressorSettingsDialog.h"

#include "engine/FfmpegPtr.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QVBoxLayout>

namespace kestrel {

namespace {

const AVCodec* encoderOf(const QString& encoderName)
{
    return avcodec_find_encoder_by_name(encoderName.toLatin1().constData());
}

// A context whose private options hold the encoder's defaults.
CodecContextPtr defaultsOf(const AVCodec* codec)
{
    return CodecContextPtr(codec ? avcodec_alloc_context3(codec) : nullptr);
}

bool isSetting(const AVOption* option)
{
    return option->type != AV_OPT_TYPE_CONST && (option->flags & AV_OPT_FLAG_ENCODING_PARAM)
        && !(option->flags & AV_OPT_FLAG_DEPRECATED) && !(option->flags & AV_OPT_FLAG_READONLY);
}

} // namespace

bool CompressorSettingsDialog::hasSettings(const QString& encoderName)
{
    return !settingsOf(encoderName).isEmpty();
}

QList<CompressorSettingsDialog::Setting> CompressorSettingsDialog::settingsOf(const QString& encoderName)
{
    QList<Setting> settings;
    const AVCodec* codec = encoderOf(encoderName);
    if (!codec || !codec->priv_class)
        return settings;
    const CodecContextPtr defaults = defaultsOf(codec);
    if (!defaults || !defaults->priv_data)
        return settings;
    const AVOption* option = nullptr;
    while ((option = av_opt_next(defaults->priv_data, option))) {
        if (!isSetting(option))
            continue;
        Setting setting;
        setting.name = QString::fromLatin1(option->name);
        setting.help = QString::fromUtf8(option->help ? option->help : "");
        setting.isBool = option->type == AV_OPT_TYPE_BOOL;
        uint8_t* text = nullptr;
        if (av_opt_get(defaults->priv_data, option->name, 0, &text) >= 0 && text)
            setting.defaultValue = QString::fromUtf8(reinterpret_cast<const char*>(text));
        av_free(text);
        if (option->unit && option->type != AV_OPT_TYPE_FLAGS) {
            const AVOption* named = nullptr;
            while ((named = av_opt_next(defaults->priv_data, named))) {
                if (named->type == AV_OPT_TYPE_CONST && named->unit && !qstrcmp(named->unit, option->unit))
                    setting.choices.append(QString::fromLatin1(named->name));
            }
        }
        settings.append(setting);
    }
    return settings;
}

QString CompressorSettingsDialog::check(const QString& encoderName, const QString& name, const QString& value)
{
    const CodecContextPtr context = defaultsOf(encoderOf(encoderName));
    if (!context || !context->priv_data)
        return QStringLiteral("No such compressor");
    const int result = av_opt_set(context->priv_data, name.toLatin1().constData(), value.toUtf8().constData(), 0);
    return result < 0 ? averrorText(result) : QString();
}

CompressorSettingsDialog::CompressorSettingsDialog(
    const QString& title, const QString& encoderName, const QMap<QString, QString>& current, QWidget* parent)
    : QDialog(parent)
    , m_encoderName(encoderName)
    , m_settings(settingsOf(encoderName))
{
    setWindowTitle(title);
    auto* form = new QFormLayout;
    for (const Setting& setting : m_settings) {
        const QString value = current.value(setting.name, setting.defaultValue);
        QWidget* field = nullptr;
        if (setting.isBool) {
            auto* box = new QCheckBox;
            box->setChecked(value == QLatin1String("true") || value == QLatin1String("1"));
            field = box;
        } else if (!setting.choices.isEmpty()) {
            auto* list = new QComboBox;
            list->setEditable(true); // numbers are allowed besides the named values
            list->addItems(setting.choices);
            list->setCurrentText(value);
            field = list;
        } else {
            field = new QLineEdit(value);
        }
        field->setObjectName(setting.name);
        field->setToolTip(setting.help);
        auto* label = new QLabel(setting.name);
        label->setToolTip(setting.help);
        form->addRow(label, field);
        m_fields.append(field);
    }
    auto* inner = new QWidget;
    inner->setLayout(form);
    auto* scroll = new QScrollArea;
    scroll->setWidget(inner);
    scroll->setWidgetResizable(true);

    m_problem = new QLabel;
    m_problem->setStyleSheet(QStringLiteral("color: #b00000"));
    m_problem->setWordWrap(true);
    m_problem->hide();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
    resize(420, std::min(520, 120 + 34 * int(m_settings.size())));
}

QString CompressorSettingsDialog::valueOf(const QString& name) const
{
    for (int i = 0; i < m_settings.size(); ++i) {
        if (m_settings[i].name != name)
            continue;
        QWidget* field = m_fields[i];
        if (auto* box = qobject_cast<QCheckBox*>(field))
            return box->isChecked() ? QStringLiteral("true") : QStringLiteral("false");
        if (auto* list = qobject_cast<QComboBox*>(field))
            return list->currentText().trimmed();
        return static_cast<QLineEdit*>(field)->text().trimmed();
    }
    return {};
}

void CompressorSettingsDialog::setValueOf(const QString& name, const QString& value)
{
    for (int i = 0; i < m_settings.size(); ++i) {
        if (m_settings[i].name != name)
            continue;
        QWidget* field = m_fields[i];
        if (auto* box = qobject_cast<QCheckBox*>(field))
            box->setChecked(value == QLatin1String("true") || value == QLatin1String("1"));
        else if (auto* list = qobject_cast<QComboBox*>(field))
            list->setCurrentText(value);
        else
            static_cast<QLineEdit*>(field)->setText(value);
    }
}

QMap<QString, QString> CompressorSettingsDialog::values() const
{
    QMap<QString, QString> changed;
    for (const Setting& setting : m_settings) {
        const QString value = valueOf(setting.name);
        if (value != setting.defaultValue)
            changed.insert(setting.name, value);
    }
    return changed;
}

void CompressorSettingsDialog::accept()
{
    const QMap<QString, QString> changed = values();
    for (auto it = changed.cbegin(); it != changed.cend(); ++it) {
        const QString problem = check(m_encoderName, it.key(), it.value());
        if (!problem.isEmpty()) {
            m_problem->setText(QStringLiteral("%1: \"%2\" is not accepted (%3).").arg(it.key(), it.value(), problem));
            m_problem->show();
            findChild<QWidget*>(it.key())->setFocus();
            return;
        }
    }
    QDialog::accept();
}

} // namespace kestrel
