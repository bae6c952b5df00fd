#include <QtTest>
class tst_TExplorerButton : public QObject
{
    Q_OBJECT
};
QTEST_MAIN(tst_TExplorerButton)
#include "tst_TExplorerButton.moc"
