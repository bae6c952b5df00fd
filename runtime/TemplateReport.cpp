#include "runtime/TemplateReport.h"

#include "engine/SlotSteps.h"
#include "platform/KeyboardLayout.h"
#include "runtime/components/TSysHotKey.h"
#include "template/Inputs.h"
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
    if (slot.Character != 0)
        return ComposeKeystroke(CharacterName(slot.Character), slot.Ctrl, slot.Shift, slot.Alt);
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

QString thresholdsText(const RuntimeTemplate& t)
{
    QString text = QStringLiteral("%1 %").arg(t.AxisThreshold);
    QStringList own;
    for (int axis = 1; axis <= MaxAxes; ++axis) {
        if (const int32_t value = t.AxisThresholds[size_t(axis - 1)])
            own << QStringLiteral("axis %1: %2 %").arg(axis).arg(value);
    }
    if (!own.isEmpty())
        text += QStringLiteral(" (%1)").arg(own.join(QStringLiteral(", ")));
    return text + QStringLiteral(", let go %1 points below").arg(RuntimeTemplate::AxisHysteresis);
}

// How a mapping acts, after its button: "" for a plain tap as every
// template had it, else ", hold", ", turbo every 50 ms, press 30 ms" ...
QString actionText(const Mapping& mapping)
{
    QStringList parts;
    switch (mapping.Action) {
    case MappingAction::Tap:
        if (mapping.Repeat)
            parts << (mapping.Rate == MappingTiming::DefaultRate
                          ? QStringLiteral("repeating")
                          : QStringLiteral("repeating every %1 ms").arg(mapping.Rate));
        break;
    case MappingAction::Hold:
        parts << QStringLiteral("hold");
        break;
    case MappingAction::Toggle:
        parts << QStringLiteral("toggle");
        break;
    case MappingAction::Turbo:
        parts << QStringLiteral("turbo every %1 ms").arg(mapping.Rate);
        break;
    case MappingAction::Mode:
    case MappingAction::Layer:
        break; // said instead of the keys
    }
    const bool taps =
        mapping.Action == MappingAction::Tap || mapping.Action == MappingAction::Turbo;
    if (taps && mapping.PressMs > 0)
        parts << QStringLiteral("press %1 ms").arg(mapping.PressMs);
    if (taps && mapping.GapMs > 0)
        parts << QStringLiteral("gap %1 ms").arg(mapping.GapMs);
    return parts.isEmpty() ? QString() : QStringLiteral(", ") + parts.join(QStringLiteral(", "));
}

} // namespace

TemplateReport::Status TemplateReport::Run(const QString& path, QTextStream& out, QTextStream& err,
                                           bool strict, const KeyboardLayout* layout)
{
    ProfileFile file;
    if (file.load(path) != ProfileFile::LoadStatus::Loaded) {
        // Missing, a folder, a pipe, too large or not ours to read: nothing
        // to check, and the cause says what to do.
        err << path << ": cannot read the template" << Qt::endl;
        err << TemplateCheckCause(path) << Qt::endl;
        return Unreadable;
    }
    const TemplateCheck check = CheckTemplate(file);
    // Position 0 of the hot-key table is no key.
    const QList<TemplateWarning> warnings =
        TemplateWarnings(file, std::span(TSysHotKey::HotKeyKeyTable).subspan(1));
    const auto printWarnings = [&](qsizetype most) {
        for (const TemplateWarning& warning : warnings.first(std::min(most, warnings.size())))
            err << path << ':' << warning.Line << ": warning: " << warning.Text << Qt::endl;
        if (warnings.size() > most)
            err << path << ": " << warnings.size() - most << " more warnings" << Qt::endl;
    };
    if (check != TemplateCheck::Valid) {
        err << path << ": " << TemplateCheckMessage(check) << Qt::endl;
        err << TemplateCheckCause(path) << Qt::endl;
        // A file that is no template at all (a README) warns of every line.
        printWarnings(FatalWarnings);
        return check == TemplateCheck::NotATemplate ? NotATemplate : EarlierVersion;
    }
    RuntimeTemplate t;
    const RuntimeReadResult result = ReadRuntimeTemplate(file, t);

    out << "Template: " << QFileInfo(path).absoluteFilePath() << '\n';
    out << "Description: " << t.TemplateDescription << '\n';
    if (!t.Apps.isEmpty())
        out << "For programs: " << AppsText(t.Apps) << '\n';
    if (t.SeparateInputs) {
        out << "Device: separate inputs (acted on as they change)\n";
        out << "Chord window: " << t.ChordMs << " ms\n";
        out << "Axis threshold: " << thresholdsText(t) << '\n';
    } else {
        out << "Device: " << (t.DigitalDevice ? "digital (polled)" : "analog (button messages)")
            << '\n';
    }
    out << "Response: " << t.Response << '\n';
    if (t.SeparateInputs)
        out << "Mode switch button: "
            << (t.ModeSwitchInput == 0 ? QStringLiteral("none") : InputMaskName(t.ModeSwitchInput))
            << '\n';
    else
        out << "Mode switch button: "
            << (t.ModeSwitchButton == RuntimeTemplate::NoSwitchButton
                    ? QStringLiteral("none")
                    : ButtonIdName(t.ModeSwitchButton, t.DigitalDevice))
            << '\n';
    out << "Mode switch key: " << switchKeyText(t.ModeSwitchKey) << '\n';
    out << "Modes: " << t.ModeCount << '\n';
    for (int m = 0; m < t.ModeCount; ++m) {
        out << "Mode " << m + 1 << ": " << t.ModeNames[size_t(m)] << '\n';
        for (int k = 0; k < t.ButtonCount; ++k) {
            const Mapping& mapping = t.Mappings[size_t(m)][size_t(k)];
            const bool switches =
                mapping.Action == MappingAction::Mode || mapping.Action == MappingAction::Layer;
            if (mapping.Count <= 0 && !switches && mapping.Text.isEmpty())
                continue;
            QStringList keys;
            for (int n = 0; n < mapping.Count; ++n)
                keys << keystrokeText(mapping.Keys[size_t(n)]);
            if (!mapping.Text.isEmpty())
                keys << QStringLiteral("text \"%1\"")
                            .arg(QString(mapping.Text).replace(u'\n', QStringLiteral("\\n")));
            QString what = keys.join(QStringLiteral(", "));
            if (switches && mapping.TargetMode == 0)
                what = QStringLiteral("nothing (no mode to switch to)");
            else if (mapping.Action == MappingAction::Mode)
                what = QStringLiteral("mode: mode %1").arg(mapping.TargetMode);
            else if (mapping.Action == MappingAction::Layer)
                what = QStringLiteral("layer: mode %1 while held").arg(mapping.TargetMode);
            const QString input = !t.SeparateInputs
                                      ? ButtonIdName(t.ButtonIds[size_t(k)], t.DigitalDevice)
                                  : t.Inputs[size_t(k)] == 0 ? QStringLiteral("no input")
                                                             : InputMaskName(t.Inputs[size_t(k)]);
            out << "  Mapping " << k + 1 << ", " << input << actionText(mapping) << ": " << what
                << '\n';
        }
    }
    out.flush();

    for (const ColourError& error : result.ColourErrors)
        err << path << ": " << error.message() << Qt::endl;
    printWarnings(warnings.size());
    const QList<MissingCharacter> missing =
        layout ? MissingCharacters(t, [layout](char32_t c) { return layout->canType(c); })
               : QList<MissingCharacter>();
    for (const MissingCharacter& m : missing)
        err << path << ": warning: " << CharacterName(m.Character)
            << " is not on this keyboard layout and cannot be typed: "
            << m.Places.join(QStringLiteral("; ")) << Qt::endl;
    if (!result.ColourErrors.isEmpty() || (strict && (!warnings.isEmpty() || !missing.isEmpty())))
        return LoadError;
    return Valid;
}

} // namespace corv
