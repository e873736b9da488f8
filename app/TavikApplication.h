#pragma once
// The application object of tavik-config: it catches an exception that
// escapes an event handler. With the windows it shows the text and ends the
// program (result 0); in a headless run it writes
// "failed: internal error: TEXT" and the program ends with 1, no box.
#include <QApplication>

#include <cstdio>

class TavikApplication : public QApplication {
public:
    TavikApplication(int& argc, char** argv);
    // A headless run: errors go to `stream` as its last line.
    void ReportErrorsTo(std::FILE* stream) { errors_ = stream; }
    bool notify(QObject* receiver, QEvent* event) override;
    // An exception was caught (the loop was told to end).
    bool InternalError() const { return reporting_; }
    // Its text, as the last line gave it.
    const QString& InternalErrorText() const { return errorText_; }

private:
    void Report(const QString& text);
    std::FILE* errors_ = nullptr;
    bool reporting_ = false;
    QString errorText_;
};
