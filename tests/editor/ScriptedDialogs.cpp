#include "ScriptedDialogs.h"

template <class T>
std::optional<T> ScriptedDialogs::next(std::deque<std::optional<T>>& queue)
{
    if (queue.empty()) {
        ++m_unexpected;
        return std::nullopt;
    }
    std::optional<T> answer;
    answer.swap(queue.front());
    queue.pop_front();
    return answer;
}

int ScriptedDialogs::count(const QString& kind) const
{
    int n = 0;
    for (const Request& r : m_requests)
        n += r.kind == kind ? 1 : 0;
    return n;
}

std::optional<QColor> ScriptedDialogs::chooseColor(QWidget*, const QColor& initial)
{
    Request r;
    r.kind = QStringLiteral("color");
    r.initialColor = initial;
    m_requests.append(r);
    return next(m_colors);
}

std::optional<FontChoice> ScriptedDialogs::chooseFont(QWidget*, const FontChoice& initial)
{
    Request r;
    r.kind = QStringLiteral("font");
    r.initialFont = initial;
    m_requests.append(r);
    return next(m_fonts);
}

std::optional<QString> ScriptedDialogs::chooseOpenFile(QWidget*, const FileDialogRequest& request)
{
    Request r;
    r.kind = QStringLiteral("open");
    r.file = request;
    m_requests.append(r);
    return next(m_files);
}

std::optional<QString> ScriptedDialogs::chooseSaveFile(QWidget*, const FileDialogRequest& request)
{
    Request r;
    r.kind = QStringLiteral("save");
    r.file = request;
    m_requests.append(r);
    return next(m_files);
}

std::optional<QString> ScriptedDialogs::inputText(QWidget*, const QString& title, const QString& prompt, const QString&)
{
    Request r;
    r.kind = QStringLiteral("input");
    r.title = title;
    r.prompt = prompt;
    m_requests.append(r);
    return next(m_inputs);
}

MessageAnswer ScriptedDialogs::message(QWidget*, const MessageRequest& request)
{
    Request r;
    r.kind = QStringLiteral("message");
    r.title = request.title;
    r.prompt = request.text;
    m_requests.append(r);
    return MessageAnswer::Ok;
}
