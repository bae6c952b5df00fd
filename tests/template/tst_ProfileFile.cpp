#include "template/ProfileFile.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace corv;

class tst_ProfileFile : public QObject
{
    Q_OBJECT
private slots:
    void read_data();
    void read();
    void readInt_data();
    void readInt();
    void edit_data();
    void edit();
    void savesThroughLoad();
    void savesInPlaceInAFolderThatRefusesNewFiles_data();
    void savesInPlaceInAFolderThatRefusesNewFiles();
};

void tst_ProfileFile::read_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QString fallback = QStringLiteral("ERROR");
    QTest::newRow("names ignore case") << QByteArray("[Global]\nmodes=2\n") << "GLOBAL"
                                       << "MODES"
                                       << "2";
    QTest::newRow("missing key") << QByteArray("[G]\nA=1\n") << "G"
                                 << "B" << fallback;
    QTest::newRow("missing section") << QByteArray("[G]\nA=1\n") << "H"
                                     << "A" << fallback;
    QTest::newRow("empty value is present") << QByteArray("[G]\nA=\n") << "G"
                                            << "A"
                                            << "";
    QTest::newRow("blanks trimmed") << QByteArray("  [ G ] \n \t A  =  v w \t\n") << "G"
                                    << "A"
                                    << "v w";
    QTest::newRow("CRLF") << QByteArray("[G]\r\nA=v\r\nB=w\r\n") << "G"
                          << "A"
                          << "v";
    QTest::newRow("no final line end") << QByteArray("[G]\nA=v") << "G"
                                       << "A"
                                       << "v";
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF[G]\nA=v\n") << "G"
                                     << "A"
                                     << "v";
    QTest::newRow("comment skipped") << QByteArray("[G]\n;A=x\n") << "G"
                                     << "A" << fallback;
    QTest::newRow("line without equals") << QByteArray("[G]\njunk\nA=v\n") << "G"
                                         << "A"
                                         << "v";
    QTest::newRow("first duplicate wins") << QByteArray("[G]\nA=1\nA=2\n[g]\nA=3\n") << "G"
                                          << "A"
                                          << "1";
    QTest::newRow("key before sections") << QByteArray("A=1\n[G]\n") << "G"
                                         << "A" << fallback;
    QTest::newRow("equals in value") << QByteArray("[G]\nA=b=c\n") << "G"
                                     << "A"
                                     << "b=c";
    QTest::newRow("value cut") << QByteArray("[G]\nA=" + QByteArray(1500, 'x') + "\n") << "G"
                               << "A" << QString(1023, u'x');
    QTest::newRow("UTF-8") << QByteArray("[G]\nA=Mod\xC3\xA9\n") << "G"
                           << "A" << QString::fromUtf8("Mod\xC3\xA9");
    QTest::newRow("Windows-1252") << QByteArray("[G]\nA=Mod\xE9 \x80\n") << "G"
                                  << "A" << QString::fromUtf8("Mod\xC3\xA9 \xE2\x82\xAC");
}

void tst_ProfileFile::read()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QTEST(ProfileFile::fromBytes(file).readString(section, key, QStringLiteral("ERROR")),
          "expected");
}

void tst_ProfileFile::readInt_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("flag");

    QTest::newRow("decimal") << "65" << 65 << true;
    QTest::newRow("0x hex") << "0x41" << 65 << true;
    QTest::newRow("0X hex") << "0X41" << 65 << true;
    QTest::newRow("dollar hex") << "$41" << 65 << true;
    QTest::newRow("bare 0x") << "0x" << -7 << true;
    QTest::newRow("negative") << "-5" << -5 << true;
    QTest::newRow("zero is false") << "0" << 0 << false;
    QTest::newRow("32-bit pattern") << "$FFFFFFFF" << -1 << true;
    QTest::newRow("too big") << "99999999999" << -7 << true;
    QTest::newRow("trailing junk") << "12abc" << -7 << true;
    QTest::newRow("text") << "abc" << -7 << true;
    QTest::newRow("empty") << "" << -7 << true;
}

void tst_ProfileFile::readInt()
{
    QFETCH(QString, value);
    const ProfileFile file = ProfileFile::fromBytes("[G]\nA=" + value.toUtf8() + "\n");
    QTEST(file.readInt(QStringLiteral("G"), QStringLiteral("A"), -7), "expected");
    QTEST(file.readBool(QStringLiteral("G"), QStringLiteral("A"), true), "flag");
}

void tst_ProfileFile::edit_data()
{
    // Each operation is "section|key|value" (a write) or "section" (an erase).
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QStringList>("operations");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("new file uses LF")
        << QByteArray() << QStringList{"G|A|1", "H|B|2"} << QByteArray("[G]\nA=1\n[H]\nB=2\n");
    QTest::newRow("replace in place")
        << QByteArray("[G]\nA=1\nB=2\n") << QStringList{"g|a|9"} << QByteArray("[G]\na=9\nB=2\n");
    QTest::newRow("new key ends its section")
        << QByteArray("[G]\nA=1\n\n[H]\nB=2\n") << QStringList{"G|C|3"}
        << QByteArray("[G]\nA=1\nC=3\n\n[H]\nB=2\n");
    QTest::newRow("new section at end")
        << QByteArray("[G]\nA=1") << QStringList{"N|K|v"} << QByteArray("[G]\nA=1\n[N]\nK=v\n");
    QTest::newRow("erase keeps the rest")
        << QByteArray("; top\n[G]\nA=1\n; mine\n[H]\nB=2\njunk\n") << QStringList{"g"}
        << QByteArray("; top\n[H]\nB=2\njunk\n");
    QTest::newRow("erase takes duplicates too") << QByteArray("[G]\nA=1\n[H]\nB=2\n[g]\nC=3\n")
                                                << QStringList{"G"} << QByteArray("[H]\nB=2\n");
    QTest::newRow("erase then write appends")
        << QByteArray("[G]\nA=1\n[H]\nB=2\n") << QStringList{"G", "G|A|1"}
        << QByteArray("[H]\nB=2\n[G]\nA=1\n");
    QTest::newRow("erase missing section")
        << QByteArray("[G]\nA=1\n") << QStringList{"X"} << QByteArray("[G]\nA=1\n");
    QTest::newRow("CRLF kept") << QByteArray("[G]\r\nA=1\r\n") << QStringList{"G|B|2"}
                               << QByteArray("[G]\r\nA=1\r\nB=2\r\n");
    QTest::newRow("BOM kept") << QByteArray("\xEF\xBB\xBF[G]\n") << QStringList{"G|A|1"}
                              << QByteArray("\xEF\xBB\xBF[G]\nA=1\n");
    QTest::newRow("Windows-1252 saved as UTF-8")
        << QByteArray("[F]\nX=caf\xE9\n") << QStringList{"G|A|1"}
        << QByteArray("[F]\nX=caf\xC3\xA9\n[G]\nA=1\n");
    QTest::newRow("line break cannot forge lines")
        << QByteArray("[G]\n") << QStringList{"G|A|x\n[H]\r\nB=1"}
        << QByteArray("[G]\nA=x [H]  B=1\n");
}

void tst_ProfileFile::edit()
{
    QFETCH(QByteArray, before);
    QFETCH(QStringList, operations);
    ProfileFile file = ProfileFile::fromBytes(before);
    for (const QString& op : operations) {
        const QStringList parts = op.split(u'|');
        if (parts.size() == 3)
            file.writeString(parts[0], parts[1], parts[2]);
        else
            file.eraseSection(op);
    }
    QTEST(file.toBytes(), "after");
}

void tst_ProfileFile::savesThroughLoad()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.ini"));
    ProfileFile file;
    QCOMPARE(file.load(path), ProfileFile::LoadStatus::Missing);
    file.writeString(QStringLiteral("G"), QStringLiteral("A"), QStringLiteral("1"));
    // Read back before the save as a reload would read it: trimmed.
    file.writeString(QStringLiteral("G"), QStringLiteral("B"), QStringLiteral(" padded "));
    QCOMPARE(file.readString(QStringLiteral("G"), QStringLiteral("B"), QString()), "padded");
    QString error;
    QVERIFY(file.save(path, &error));
    ProfileFile again;
    QCOMPARE(again.load(path), ProfileFile::LoadStatus::Loaded);
    QCOMPARE(again.readString(QStringLiteral("g"), QStringLiteral("a"), QString()), "1");
    // A save leaves no temporary file behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.ini"});

    QVERIFY(!file.save(dir.path(), &error)); // a folder stands at the target
    QCOMPARE(error, QStringLiteral("Unable to write to %1").arg(dir.path()));
}

void tst_ProfileFile::savesInPlaceInAFolderThatRefusesNewFiles_data()
{
    QTest::addColumn<int>("fileMode");
    QTest::addColumn<bool>("saved");
    QTest::newRow("writable file") << 0666 << true;
    QTest::newRow("read-only file") << 0444 << false;
}

void tst_ProfileFile::savesInPlaceInAFolderThatRefusesNewFiles()
{
    QFETCH(int, fileMode);
    QFETCH(bool, saved);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.ini"));
    const auto setMode = [](const QString& name, int mode) {
        return ::chmod(QFile::encodeName(name).constData(), mode_t(mode)) == 0;
    };
    ProfileFile file = ProfileFile::fromBytes("[G]\nA=1\n");
    QVERIFY(file.save(path));
    file.writeString(QStringLiteral("G"), QStringLiteral("A"), QStringLiteral("2"));
    QVERIFY(setMode(path, fileMode) && setMode(dir.path(), 0555));
    // In a child, which as root first becomes nobody (root writes anywhere).
    // It ends 0 when saved, 1 when refused with the file's name.
    const pid_t child = ::fork();
    if (child == 0) {
        QString error;
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        ::_exit(file.save(path, &error)                                      ? 0
                : error == QStringLiteral("Unable to write to %1").arg(path) ? 1
                                                                             : 2);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    setMode(dir.path(), 0755);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), saved ? 0 : 1);
    ProfileFile again;
    QCOMPARE(again.load(path), ProfileFile::LoadStatus::Loaded);
    QCOMPARE(again.readString(QStringLiteral("G"), QStringLiteral("A"), QString()),
             saved ? QStringLiteral("2") : QStringLiteral("1"));
}

QTEST_GUILESS_MAIN(tst_ProfileFile)
#include "tst_ProfileFile.moc"
