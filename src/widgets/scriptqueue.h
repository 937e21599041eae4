#pragma once

#include <QList>

// The queued answers and recorded calls of one scriptable modal service. While message boxes
// are scripted (tests, TESSALY_SCRIPTED_MESSAGES), every service takes its answers from here
// instead of asking a person; outside tests the queue stays empty and only the calls are kept.
template <typename Answer, typename Call> struct ScriptQueue {
    QList<Answer> answers;
    QList<Call> calls;

    // The next queued answer, or `fallback` when none is queued.
    Answer take(const Answer &fallback)
    {
        return answers.isEmpty() ? fallback : answers.takeFirst();
    }
    void clear()
    {
        answers.clear();
        calls.clear();
    }
};
