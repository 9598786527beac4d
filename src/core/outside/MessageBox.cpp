#include "core/outside/MessageBox.h"

#include "core/outside/LogCategories.h"

#include <QCoreApplication>
#include <QQueue>

namespace {
struct State {
    MessageBox::Presenter presenter;
    QQueue<MessageBox::Answer> answers;
    QList<MessageBox::Shown> shown;
};
State& state()
{
    static State s;
    return s;
}

MessageBox::Answer defaultAnswer(MessageBox::Buttons buttons)
{
    return buttons == MessageBox::YesNo ? MessageBox::AnswerYes : MessageBox::AnswerOk;
}
} // namespace

MessageBox::Answer MessageBox::show(const QString& text, Buttons buttons, Icon icon, const QString& caption)
{
    Shown box { text, buttons, icon, caption.isEmpty() ? QCoreApplication::applicationName() : caption };
    state().shown.append(box);
    // What the user was told stays in the log, where a support request can quote it.
    qCInfo(lcOutside).noquote() << "message box:" << text;
    if (!state().answers.isEmpty())
        return state().answers.dequeue();
    if (state().presenter)
        return state().presenter(box);
    qCDebug(lcOutside) << "message box without presenter:" << text;
    return defaultAnswer(buttons);
}

void MessageBox::setPresenter(Presenter presenter)
{
    state().presenter = std::move(presenter);
}

void MessageBox::queueAnswer(Answer answer)
{
    state().answers.enqueue(answer);
}

QList<MessageBox::Shown> MessageBox::shown()
{
    return state().shown;
}

void MessageBox::clearShown()
{
    state().shown.clear();
}
