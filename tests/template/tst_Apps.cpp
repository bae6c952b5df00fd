#include "template/Apps.h"

#include <QTest>

using namespace corv;

class tst_Apps : public QObject
{
    Q_OBJECT

private slots:
    void matches_data();
    void matches();
};

void tst_Apps::matches_data()
{
    QTest::addColumn<QString>("apps");
    QTest::addColumn<QString>("instance");
    QTest::addColumn<QString>("windowClass");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("match");

    QTest::newRow("instance, any case") << "XTERM"
                                        << "xterm"
                                        << "XTerm"
                                        << "" << true;
    QTest::newRow("class, among others") << "gimp; xterm ;"
                                         << "uxterm"
                                         << "XTerm"
                                         << "" << true;
    QTest::newRow("a class is whole, not a part") << "term"
                                                  << "xterm"
                                                  << "XTerm"
                                                  << "" << false;
    QTest::newRow("a title is a part") << "title:nethack"
                                       << "xterm"
                                       << "XTerm"
                                       << "NetHack - ~/games" << true;
    QTest::newRow("a title is not a class") << "title:xterm"
                                            << "xterm"
                                            << "XTerm"
                                            << "bash" << false;
    QTest::newRow("a class is not a title") << "NetHack"
                                            << "xterm"
                                            << "XTerm"
                                            << "NetHack" << false;
    // Would match every window: left out.
    QTest::newRow("empty title") << "title: ;;"
                                 << "xterm"
                                 << "XTerm"
                                 << "bash" << false;
    QTest::newRow("no window") << "xterm"
                               << ""
                               << ""
                               << "" << false;
}

void tst_Apps::matches()
{
    QFETCH(QString, apps);
    QFETCH(QString, instance);
    QFETCH(QString, windowClass);
    QFETCH(QString, title);
    QFETCH(bool, match);
    QCOMPARE(AppsMatch(ParseApps(apps), instance, windowClass, title), match);
}

QTEST_APPLESS_MAIN(tst_Apps)
#include "tst_Apps.moc"
