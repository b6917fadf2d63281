#include "notebook/notices.h"

#include <algorithm>

namespace qb::notebook {

namespace {

std::wstring Format(const wchar_t* pattern, std::initializer_list<std::wstring> args) {
    std::wstring out;
    auto arg = args.begin();
    for (const wchar_t* p = pattern; *p != L'\0'; ++p) {
        if (p[0] == L'%' && p[1] == L's' && arg != args.end()) {
            out += *arg++;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

}  // namespace

namespace {

// How a notice about a file shown in part ends: the file stays as it is until what it holds
// is changed, and then keeps its old bytes under another name.
std::wstring KeptUntilChanged(const wchar_t* file, const wchar_t* change,
                              const std::wstring& original) {
    return Format(
        L"Файл %s останется как есть, пока вы не измените %s; тогда его прежнее "
        L"содержимое сохранится в файле «%s».",
        {file, change, original});
}

std::wstring PageKept(const std::wstring& original) {
    return KeptUntilChanged(L"страницы", L"эту страницу", original);
}

std::wstring TabListKept(const std::wstring& original) {
    return KeptUntilChanged(L"списка", L"вкладки", original);
}

}  // namespace

std::wstring CutPageNotice(const std::wstring& caption, const std::wstring& original) {
    return Format(L"Страница «%s» содержит нулевой байт: текст после него не показывается. ",
                  {caption}) +
           PageKept(original);
}

std::wstring ReplacedPageNotice(const std::wstring& caption, const std::wstring& original) {
    return Format(
               L"Файл страницы «%s» начинается с метки UTF-8, но содержит байты, которые не "
               L"являются текстом UTF-8: они показаны как «\xFFFD». ",
               {caption}) +
           PageKept(original);
}

std::wstring CutTabListNotice(const std::wstring& original) {
    return L"Список вкладок содержит нулевой байт или слишком длинное имя вкладки и показан не "
           L"полностью. " +
           TabListKept(original);
}

std::wstring ReplacedTabListNotice(const std::wstring& original) {
    return L"Список вкладок начинается с метки UTF-8, но содержит байты, которые не являются "
           L"текстом UTF-8: они показаны как «\xFFFD». " +
           TabListKept(original);
}

std::wstring UnownedPageNotice(const std::wstring& page, const std::wstring& kept) {
    return Format(
        L"Файл «%s» не принадлежит ни одной вкладке: его могла оставить прежняя версия программы. "
        L"Новая вкладка начнёт свою страницу, а прежнее содержимое файла сохранено в файле «%s».",
        {page, kept});
}

std::wstring BothVersionsKeptNotice(const std::wstring& caption, const std::wstring& ownCaption) {
    return Format(
        L"Страницу «%s» изменила другая программа, пока вы её редактировали. Ничего не потеряно: "
        L"новый текст страницы остался на вкладке «%s», а ваш текст сохранён на новой вкладке "
        L"«%s».",
        {caption, caption, ownCaption});
}

std::wstring ConflictCopyNotice(const std::wstring& caption, const std::wstring& file,
                                const std::wstring& copyCaption) {
    return Format(
        L"Программа синхронизации оставила копию страницы «%s» (файл «%s»): её текст открыт на "
        L"новой вкладке «%s».",
        {caption, file, copyCaption});
}

std::wstring TabsMergedNotice(const std::vector<std::wstring>& broughtBack,
                              const std::vector<std::wstring>& keptTwice) {
    const auto join = [](const std::vector<std::wstring>& captions) {
        std::wstring out;
        for (const std::wstring& caption : captions) {
            out += (out.empty() ? L"«" : L", «") + caption + L"»";
        }
        return out;
    };
    std::wstring text = L"Вкладки изменялись и здесь, и на другом компьютере; изменения "
                        L"объединены, ничего не потеряно.";
    if (!broughtBack.empty()) {
        text += Format(L" Закрытые на одном компьютере, но изменённые на другом, вкладки "
                       L"возвращены: %s.",
                       {join(broughtBack)});
    }
    if (!keptTwice.empty()) {
        text += Format(L" Страницы, изменённые на обоих компьютерах, сохранены в двух "
                       L"вариантах: %s.",
                       {join(keptTwice)});
    }
    return text;
}

std::wstring CloseGivenUpNotice() {
    return L"Другая программа изменила список вкладок, и вкладки показаны заново. Вкладка не "
           L"закрыта: закройте её ещё раз, если она не нужна.";
}

std::wstring NotFoundNotice(const std::wstring& text) {
    return Format(L"Текст «%s» не найден.", {text});
}

bool Told::First(const std::wstring& subject) {
    if (std::find(subjects_.begin(), subjects_.end(), subject) != subjects_.end()) {
        return false;
    }
    subjects_.push_back(subject);
    return true;
}

std::wstring HistoryFailedNotice(const std::wstring& failure) {
    return Format(
        L"Прежний текст страницы не удалось сохранить в истории страницы: %s Сама страница "
        L"сохранена.",
        {failure});
}

}  // namespace qb::notebook
