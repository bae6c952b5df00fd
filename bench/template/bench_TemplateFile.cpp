// Write and read of the largest template the editor can make: 5 modes of 32
// mappings with 6 keystrokes each, and 32 identified buttons. The files go to
// a temporary folder under CORV_BENCH_DIR if set (for example /dev/shm, to
// leave the disk's flush time out), else under the system's temporary folder.
#include "template/RuntimeTemplate.h"
#include "template/Template.h"
#include "template/TemplateFile.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace
{

QTemporaryDir benchDir()
{
    const QString base = qEnvironmentVariable("CORV_BENCH_DIR");
    return base.isEmpty() ? QTemporaryDir() : QTemporaryDir(base + QStringLiteral("/corv-XXXXXX"));
}

corv::Template maximal()
{
    corv::Template t;
    t.Description = QStringLiteral("The largest template there is");
    for (int b = 0; b < 32; ++b) {
        const QString id =
            QString::number(1 << (b % 31)) + (b >= 31 ? QStringLiteral("0") : QString());
        t.IdentifiedButtons.append({id, QStringLiteral("Button number %1").arg(b + 1)});
    }
    for (int m = 0; m < corv::MaxModes; ++m) {
        for (const corv::IdentifiedButton& b : t.IdentifiedButtons) {
            corv::ButtonMapping mapping{
                b.ButtonId, QStringLiteral("Purpose of ") + b.Description, m % 2 == 0, {}};
            for (auto& keystroke : mapping.Keystrokes)
                keystroke = QStringLiteral("Ctrl + Shift + Alt + F10");
            t.Mappings[m].append(mapping);
        }
    }
    return t;
}

void BM_WriteMaximal(benchmark::State& state)
{
    const QTemporaryDir dir = benchDir();
    const QString path = dir.filePath(QStringLiteral("max.joy"));
    const corv::Template t = maximal();
    for (auto _ : state) {
        if (!corv::WriteTemplate(t, path))
            state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_WriteMaximal)->Unit(benchmark::kMillisecond);

void BM_ReadRuntimeMaximal(benchmark::State& state)
{
    const QTemporaryDir dir = benchDir();
    const QString path = dir.filePath(QStringLiteral("max.joy"));
    corv::WriteTemplate(maximal(), path);
    corv::RuntimeTemplate tables;
    for (auto _ : state) {
        corv::ReadRuntimeTemplate(path, tables);
        benchmark::DoNotOptimize(tables);
    }
    if (tables.ModeCount != 5 || tables.ButtonCount != 32 || tables.Mappings[4][31].Count != 6)
        state.SkipWithError("unexpected tables");
}
BENCHMARK(BM_ReadRuntimeMaximal)->Unit(benchmark::kMillisecond);

void BM_ReadEditorMaximal(benchmark::State& state)
{
    const QTemporaryDir dir = benchDir();
    const QString path = dir.filePath(QStringLiteral("max.joy"));
    corv::WriteTemplate(maximal(), path);
    corv::Template t;
    for (auto _ : state) {
        corv::ReadTemplate(path, t);
        benchmark::DoNotOptimize(t);
    }
}
BENCHMARK(BM_ReadEditorMaximal)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
