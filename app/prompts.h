#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace tessel {

// Every message box and file dialog of the program goes through this interface, so that
// tests and the command-line front end answer them without a modal window.
class Prompts {
public:
    virtual ~Prompts() = default;
    // A plain message box with the application title and an OK button.
    virtual void showMessage(const QString& text) = 0;
    // The same box with the warning icon, for refusals (a file or an image that cannot be
    // used).
    virtual void showWarning(const QString& text) { showMessage(text); }
    // A yes/no question; true when the user answers yes. Front ends without a user to ask
    // (the command line) go ahead.
    virtual bool confirm(const QString& /*text*/) { return true; }
    // A yes/no question whose reason may go away while it is shown: withdrawn() is asked
    // while it waits, and once it is true the question closes unanswered.
    enum class Answer { Yes, No, Withdrawn };
    virtual Answer ask(const QString& text, const std::function<bool()>& withdrawn) {
        if (withdrawn())
            return Answer::Withdrawn;
        return confirm(text) ? Answer::Yes : Answer::No;
    }
    // An open-file dialog; an empty result means the user cancelled.
    virtual QString openFileName(const QString& filter) = 0;
    // A save-file dialog offering defaultName; an empty result means the user cancelled.
    virtual QString saveFileName(const QString& defaultName, const QString& filter) = 0;
    // The file a save dialog chose exists: true to replace it. No prompt replaces it.
    virtual bool confirmOverwrite(const QString& question) {
        (void)question;
        return true;
    }
};

// The messages list of the programming page, as seen by code that reports progress.
class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void appendLog(const QString& line) = 0;
};

// Answers prompts from a script and records what was shown. Used by tests and by the
// command-line front end (which prints the recorded messages).
class ScriptedPrompts : public Prompts {
public:
    QStringList messages;         // every message shown, in order
    QStringList warnings;         // the messages shown with the warning icon (also in messages)
    QStringList questions;        // every question asked, in order
    QList<bool> confirmAnswers;   // consumed front first; empty list = yes
    QStringList openAnswers;      // consumed front first; empty list = cancel
    QStringList saveAnswers;      // likewise
    QString lastSaveDefaultName;  // what the last save dialog offered
    QString lastFilter;
    QStringList overwriteQuestions;  // every replace-the-file question, in order
    bool overwriteAnswer = true;

    void showMessage(const QString& text) override { messages << text; }
    void showWarning(const QString& text) override {
        warnings << text;
        messages << text;
    }
    // Runs while a withdrawable question is shown (a test ends the operation here).
    std::function<void()> whileAsking;

    bool confirm(const QString& text) override {
        questions << text;
        return confirmAnswers.isEmpty() || confirmAnswers.takeFirst();
    }
    Answer ask(const QString& text, const std::function<bool()>& withdrawn) override {
        if (whileAsking)
            whileAsking();
        if (withdrawn()) {
            questions << text;
            return Answer::Withdrawn;
        }
        return confirm(text) ? Answer::Yes : Answer::No;
    }
    QString openFileName(const QString& filter) override {
        lastFilter = filter;
        return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
    }
    QString saveFileName(const QString& defaultName, const QString& filter) override {
        lastSaveDefaultName = defaultName;
        lastFilter = filter;
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }
    bool confirmOverwrite(const QString& question) override {
        overwriteQuestions << question;
        return overwriteAnswer;
    }
};

// Collects log lines; for tests and the command-line front end.
class RecordingLog : public LogSink {
public:
    QStringList lines;
    void appendLog(const QString& line) override { lines << line; }
};

}  // namespace tessel
