#include "gui/outside/WidgetMessageBox.h"

#include "core/outside/LogCategories.h"
#include "core/outside/MessageBox.h"

#include <QApplication>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QScreen>
#include <QTranslator>

namespace {
// A line may end after these; the closing marks that follow one stay with it.
bool endsClause(QChar c)
{
    return c.isSpace() || QStringView(u"，。！？；：、,.!?;:").contains(c);
}

bool closesClause(QChar c)
{
    return QStringView(u"”’」』）》】\")]").contains(c);
}

QStringList clauses(const QString& paragraph)
{
    QStringList parts;
    int start = 0;
    for (int i = 0; i < paragraph.size(); ++i) {
        if (!endsClause(paragraph[i]))
            continue;
        int end = i + 1;
        while (end < paragraph.size() && (closesClause(paragraph[end]) || endsClause(paragraph[end])))
            ++end;
        parts.append(paragraph.mid(start, end - start));
        start = end;
        i = end - 1;
    }
    if (start < paragraph.size())
        parts.append(paragraph.mid(start));
    return parts;
}

void loadQtTranslation()
{
    // The program speaks Chinese whatever the desktop's language, and so do Qt's own buttons.
    auto* translator = new QTranslator(qApp);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (translator->load(QStringLiteral("qtbase_zh_CN"), folder))
        QCoreApplication::installTranslator(translator);
    else
        qCWarning(lcOutside) << "qtbase_zh_CN.qm not found in" << folder << "(qt6-translations-l10n)";
}

int lineBudget(const QWidget* window)
{
    // QMessageBox starts wrapping past half the screen or 500 pixels with its icon and margins;
    // lines kept under this never reach its own wrapping.
    const QScreen* screen = window ? window->screen() : QGuiApplication::primaryScreen();
    const int half = screen ? screen->availableGeometry().width() / 2 : 500;
    return qMax(160, qMin(360, half - 140));
}
} // namespace

QString WidgetMessageBox::breakAtClauses(const QString& text, const QFontMetrics& metrics, int width)
{
    QStringList lines;
    for (const QString& paragraph : text.split(u'\n')) {
        QString line;
        for (const QString& part : clauses(paragraph)) {
            if (!line.isEmpty() && metrics.horizontalAdvance(QString(line + part).trimmed()) > width) {
                lines.append(line.trimmed());
                line.clear();
            }
            line += part;
        }
        lines.append(line.trimmed());
    }
    return lines.join(u'\n');
}

QWidget* WidgetMessageBox::raisingWindow()
{
    QWidget* window = QApplication::activeWindow();
    while (window && (window->windowType() == Qt::Popup || window->windowType() == Qt::ToolTip)) {
        QWidget* parent = window->parentWidget();
        window = parent ? parent->window() : nullptr;
    }
    return window && window->isVisible() ? window : nullptr;
}

void WidgetMessageBox::install()
{
    loadQtTranslation();
    MessageBox::setPresenter([](const MessageBox::Shown& shown) {
        // Parented to the window whose command raised it, the box is centred over that window
        // and stays above it; a dialog's frame has no minimise or maximise button.
        QWidget* owner = raisingWindow();
        QMessageBox box(owner);
        box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
        box.setWindowTitle(shown.caption);
        box.setTextFormat(Qt::PlainText);
        box.setText(shown.text);
        if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
            label->ensurePolished();
            box.setText(breakAtClauses(shown.text, label->fontMetrics(), lineBudget(owner)));
        }
        switch (shown.icon) {
        case MessageBox::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        case MessageBox::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case MessageBox::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case MessageBox::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MessageBox::NoIcon:
            break;
        }
        if (shown.buttons == MessageBox::YesNo) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            return box.exec() == QMessageBox::Yes ? MessageBox::AnswerYes : MessageBox::AnswerNo;
        }
        if (shown.buttons == MessageBox::OkCancel) {
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            return box.exec() == QMessageBox::Ok ? MessageBox::AnswerOk : MessageBox::AnswerCancel;
        }
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return MessageBox::AnswerOk;
    });
}
