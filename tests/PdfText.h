#pragma once

// The text of a PDF as pdftotext reads it: laid out as on the page, or word
// by word with where each word stands. A PDF pdftotext cannot read fails the
// current test at the caller's line.
#include "RunProgram.h"

#include <QList>
#include <QRegularExpression>
#include <QString>

namespace corv::test
{

// A word, its page (from 1) and its box in points from the page's top left.
struct PdfWord {
    int page;
    double xMin, yMin, xMax, yMax;
    QString text;
};

namespace detail
{
inline QByteArray pdftotext(const QStringList& args, const QString& pdf,
                            corv::test::SourcePlace where)
{
    const ProgramRun run =
        runProgram(QStringLiteral("pdftotext"), args + QStringList{pdf, QStringLiteral("-")},
                   QProcessEnvironment::systemEnvironment(), where);
    if (run.exitCode > 0)
        QTest::qFail(qPrintable(QStringLiteral("pdftotext cannot read %1 (status %2): %3")
                                    .arg(pdf)
                                    .arg(run.exitCode)
                                    .arg(QString::fromLocal8Bit(run.err))),
                     where.file, where.line);
    return run.exitCode == 0 ? run.out : QByteArray();
}
} // namespace detail

// The text with its layout kept, as pdftotext -layout gives it.
inline QString pdfText(const QString& pdf,
                       corv::test::SourcePlace where = corv::test::SourcePlace::current())
{
    return QString::fromUtf8(detail::pdftotext({QStringLiteral("-layout")}, pdf, where));
}

// Every word in reading order, as pdftotext -bbox places it.
inline QList<PdfWord> pdfWords(const QString& pdf,
                               corv::test::SourcePlace where = corv::test::SourcePlace::current())
{
    static const QRegularExpression re(
        QStringLiteral("<page |<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" "
                       "xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    const QString html =
        QString::fromUtf8(detail::pdftotext({QStringLiteral("-bbox")}, pdf, where));
    QList<PdfWord> words;
    int page = 0;
    for (auto it = re.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0).startsWith(QLatin1String("<page"))) {
            ++page;
            continue;
        }
        // The output is XML: its five escapes are undone, &amp; last.
        QString text = m.captured(5);
        text.replace(QLatin1String("&lt;"), QLatin1String("<"))
            .replace(QLatin1String("&gt;"), QLatin1String(">"))
            .replace(QLatin1String("&quot;"), QLatin1String("\""))
            .replace(QLatin1String("&apos;"), QLatin1String("'"))
            .replace(QLatin1String("&amp;"), QLatin1String("&"));
        words.append({page, m.captured(1).toDouble(), m.captured(2).toDouble(),
                      m.captured(3).toDouble(), m.captured(4).toDouble(), text});
    }
    return words;
}

} // namespace corv::test
