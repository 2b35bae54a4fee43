#include <QtTest>
class TstStartup : public QObject { Q_OBJECT private slots: void placeholder() {} };
QTEST_MAIN(TstStartup)
#include "tst_startup.moc"
