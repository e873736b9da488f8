#include "TavikApplication.h"

#include <QMessageBox>

#include <exception>

TavikApplication::TavikApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TavikApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        Report(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        Report(QStringLiteral("Unknown exception"));
    }
    return false;
}

void TavikApplication::Report(const QString& text) {
    if (reporting_) return;
    reporting_ = true;
    errorText_ = text;
    if (errors_ != nullptr) {
        // Nobody would see a box, and a script must not read success.
        std::fprintf(errors_, "failed: internal error: %s\n", text.toLocal8Bit().constData());
        std::fflush(errors_);
        exit(1);
        return;
    }
    QMessageBox::critical(nullptr, applicationName(), text);
    exit(0);
}
