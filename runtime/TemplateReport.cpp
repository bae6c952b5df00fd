#include "runtime/TemplateReport.h"

#include "runtime/components/TSysHotKey.h"
#include "template/KeyTable.h"
#include "template/ProfileFile.h"
#include "template/RuntimeTemplate.h"
#include "template/TemplateFile.h"
#include "template/TemplateWarnings.h"

#include <QFileInfo>
#include <QStringList>
#include <QTextStream>
#include <span>

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

TemplateReport::Status TemplateReport::Run(const QString& path, QTextStream& out, QTextStream& err,
                                           bool strict)
{
    ProfileFile file;
    const bool loaded = file.load(path) == ProfileFile::LoadStatus::Loaded;
    const TemplateCheck check = loaded ? CheckTemplate(file) : TemplateCheck::NotATemplate;
    // Position 0 of the hot-key table is no key.
    const QList<TemplateWarning> warnings =
        loaded ? TemplateWarnings(file, std::span(TSysHotKey::HotKeyKeyTable).subspan(1))
               : QList<TemplateWarning>();
    const auto printWarnings = [&] {
        for (const TemplateWarning& warning : warnings)
            err << path << ':' << warning.Line << ": warning: " << warning.Text << Qt::endl;
    };
    if (check != TemplateCheck::Valid) {
        err << path << ": " << TemplateCheckMessage(check) << Qt::endl;
        err << TemplateCheckCause(path) << Qt::endl;
        printWarnings();
        return check == TemplateCheck::NotATemplate ? NotATemplate : EarlierVersion;
    }
    RuntimeTemplate t;
    const RuntimeReadResult result = ReadRuntimeTemplate(file, t);

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
    printWarnings();
    if (!result.ColourErrors.isEmpty() || (strict && !warnings.isEmpty()))
        return LoadError;
    return Valid;
}

} // namespace corv
