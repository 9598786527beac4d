#pragma once

#include <QList>
#include <QString>
#include <functional>

// Every modal message box of the program goes through show(), so tests can answer boxes
// and read what was shown. The window library installs the presenter that draws real boxes.
class MessageBox {
public:
    // Button sets and answers keep the values the design's boxes use.
    enum Buttons { Ok = 0, OkCancel = 1, YesNo = 4 };
    enum Icon { NoIcon = 0, Critical = 16, Question = 32, Exclamation = 48, Information = 64 };
    enum Answer { AnswerOk = 1, AnswerCancel = 2, AnswerYes = 6, AnswerNo = 7 };

    struct Shown {
        QString text;
        Buttons buttons;
        Icon icon;
        QString caption;
    };
    using Presenter = std::function<Answer(const Shown&)>;

    static Answer show(const QString& text, Buttons buttons = Ok, Icon icon = NoIcon, const QString& caption = {});

    static void setPresenter(Presenter presenter);

    // Test hooks: answers given in order instead of showing a box, and the record of boxes.
    static void queueAnswer(Answer answer);
    static QList<Shown> shown();
    static void clearShown();
};
