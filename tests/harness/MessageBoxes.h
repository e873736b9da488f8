#pragma once
// The message boxes a test case showed, recorded instead of shown: each box's
// text and caption; a question gets `answer`. record() belongs in every
// init(), as RestoreGlobalHooks() takes the handler away at cleanup.
#include "platform/Ui.h"

#include <QList>
#include <QStringList>

#include <functional>

class MessageBoxes {
public:
    struct Box {
        QString text, caption;
        int buttons = platform::MB_OK;
    };
    int answer = platform::IDYES;
    // Runs while a box is up: console lines are handled meanwhile, and may
    // drop the window that asked.
    std::function<void()> whileShown;

    void record(int answerToQuestions = platform::IDYES) {
        shown_.clear();
        answer = answerToQuestions;
        whileShown = nullptr;
        platform::SetMessageBoxHandler([this](const QString& text, const QString& caption, int b) {
            shown_.append({text, caption, b});
            if (whileShown) whileShown();
            return b == platform::MB_YESNO ? answer : int(platform::IDOK);
        });
    }

    bool isEmpty() const { return shown_.isEmpty(); }
    qsizetype size() const { return shown_.size(); }
    void clear() { shown_.clear(); }
    const Box& operator[](qsizetype i) const { return shown_[i]; }
    Box takeFirst() { return shown_.takeFirst(); }
    QStringList texts() const { return collect(false, true); }
    QStringList captions() const { return collect(true, false); }
    // Caption, text, caption, text, ...
    QStringList pairs() const { return collect(true, true); }

private:
    QStringList collect(bool captions, bool texts) const {
        QStringList out;
        for (const Box& b : shown_) {
            if (captions) out << b.caption;
            if (texts) out << b.text;
        }
        return out;
    }
    QList<Box> shown_;
};
