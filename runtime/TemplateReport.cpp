#include "TemplateReport.h"

#include "KeyTable.h"
#include "RuntimeTemplate.h"
#include "TemplateFile.h"

#include <QFileInfo>
#include <QStringList>
#include <QTextStream>

namespace corv
{

namespace
{

QString keystrokeText(const KeySlot& slot)
{
    QString name = KeyCodeToKeyName(QString::number(slot.VirtualKey));
    if (name.isEmpty())
        name = QStringLiteral("key code %1").arg(slot.VirtualKey);
    return ComposeKeystroke(name, slot.Ctrl, slot.Shift, slot.Alt);
}

QString switchKeyText(int32_t code)
{
    if (code == RuntimeTemplate::NoSwitchKey)
        return QStringLiteral("none");
    const QString name = KeyCodeToKeyName(QString::number(code));
    return name.isEmpty() ? QStringLiteral("key code %1").arg(code) : name;
}

} // namespace

TemplateReport::Status TemplateReport::Run(const QString& path, QTextStream& out, QTextStream& err)
{
    const TemplateCheck check = CheckTemplateFile(path);
    if (check != TemplateCheck::Valid) {
        err << path << ": " << TemplateCheckMessage(check) << Qt::endl;
        return check == TemplateCheck::NotATemplate ? NotATemplate : EarlierVersion;
    }
    RuntimeTemplate t;
    const RuntimeReadResult result = ReadRuntimeTemplate(path, t);
    if (!result.Loaded) {
        err << path << ": the file cannot be read" << Qt::endl;
        return LoadError;
    }

    out << "Template: " << QFileInfo(path).absoluteFilePath() << '\n';
    out << "Description: " << t.TemplateDescription << '\n';
    out << "Device: " << (t.DigitalDevice ? "digital (polled)" : "analog (button messages)")
        << '\n';
    out << "Response: " << t.Response << '\n';
    out << "Mode switch button: "
        << (t.ModeSwitchButton == RuntimeTemplate::NoSwitchButton
                ? QStringLiteral("none")
                : QStringLiteral("ButtonId %1").arg(t.ModeSwitchButton))
        << '\n';
    out << "Mode switch key: " << switchKeyText(t.ModeSwitchKey) << '\n';
    out << "Modes: " << t.ModeCount << '\n';
    for (int m = 0; m < t.ModeCount; ++m) {
        out << "Mode " << m + 1 << ": " << t.ModeNames[size_t(m)] << '\n';
        for (int k = 0; k < t.ButtonCount; ++k) {
            const Mapping& mapping = t.Mappings[size_t(m)][size_t(k)];
            if (mapping.Count <= 0)
                continue;
            QStringList keys;
            for (int n = 0; n < mapping.Count; ++n)
                keys << keystrokeText(mapping.Keys[size_t(n)]);
            out << "  Button " << k + 1 << " (ButtonId " << t.ButtonIds[size_t(k)] << ")"
                << (mapping.Repeat ? ", repeating" : "") << ": " << keys.join(QStringLiteral(", "))
                << '\n';
        }
    }
    out.flush();

    for (const ColourError& error : result.ColourErrors)
        err << path << ": " << error.message() << Qt::endl;
    return result.ColourErrors.isEmpty() ? Valid : LoadError;
}

} // namespace corv
