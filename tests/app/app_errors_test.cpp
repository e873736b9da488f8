// A headless run has nobody to click a box: an exception that escapes an
// event handler ends it with "failed: internal error: ..." and exit code 1,
// and a message box is written out instead of waiting.
#include "app/TavikApplication.h"
#include "platform/Ui.h"

#include <QTimer>
#include <QtTest>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

class AppErrorsTest : public QObject {
    Q_OBJECT

private slots:
    void headlessErrorsEndTheRunOnStderr() {
        int argc = 1;
        char name[] = "app_errors_test";
        char* argv[] = {name, nullptr};
        TavikApplication app(argc, argv);
        char* text = nullptr;
        size_t size = 0;
        FILE* errors = open_memstream(&text, &size);
        app.ReportErrorsTo(errors);
        platform::SetMessageBoxesShown(false);
        int answer = 0;
        QTimer::singleShot(0, &app, [&answer] {
            // Shown, this box would wait for ever for a click.
            answer = platform::AppMessageBox(QStringLiteral("Replace it?"),
                                             QStringLiteral("Settings file"), platform::MB_YESNO);
            throw std::runtime_error("row 27 has no port");
        });
        const int result = app.exec();
        platform::SetMessageBoxesShown(true);
        std::fclose(errors);
        const QString written = QString::fromLocal8Bit(text, qsizetype(size));
        std::free(text);
        QCOMPARE(answer, int(platform::IDNO));
        QCOMPARE(result, 1);
        QVERIFY(app.InternalError());
        QCOMPARE(written, QStringLiteral("failed: internal error: row 27 has no port\n"));
    }
};

QTEST_APPLESS_MAIN(AppErrorsTest)
#include "app_errors_test.moc"
