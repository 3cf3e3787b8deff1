// Captions through the window's translation file, so each English caption is
// written once, in the window's .ts; and the word search over names and captions.
#include "cli/cli_captions.h"

#include <QTranslator>

#include <algorithm>
#include <cctype>

namespace kdsp::cli {

std::string CaptionLanguage = "en";

namespace {

const QTranslator* English() {
    static QTranslator* translator = [] {
        auto* t = new QTranslator;
        if (!t->load(QStringLiteral(":/kdsp/i18n/kdsp_en.qm"))) {
            delete t;
            return static_cast<QTranslator*>(nullptr);
        }
        return t;
    }();
    return translator;
}

std::string EnglishText(const char* chinese) {
    if (const QTranslator* t = English()) {
        const QString text = t->translate("kdsp", chinese);
        if (!text.isEmpty())
            return text.toStdString();
    }
    return chinese;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The words of a name or of typed text: cut at dots, spaces, "_" and "-".
std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : Lower(text) + " ") {
        if (c == '.' || c == ' ' || c == '_' || c == '-' || c == '\t') {
            if (!word.empty())
                words.push_back(std::move(word));
            word.clear();
        } else {
            word += c;
        }
    }
    return words;
}

// What a word search looks in: the name and the captions in both languages.
std::string Haystack(const NamedParam& p) {
    std::string text = p.name;
    if (p.caption)
        text += " " + Lower(EnglishText(p.caption)) + " " + p.caption;
    return text;
}

}  // namespace

std::string EnglishCaption(const NamedParam& p) {
    return p.caption ? EnglishText(p.caption) : std::string();
}

std::string Caption(const NamedParam& p) {
    if (!p.caption)
        return {};
    return CaptionLanguage == "zh" ? std::string(p.caption) : EnglishText(p.caption);
}

std::vector<const NamedParam*> MatchWords(std::string_view text) {
    const std::vector<std::string> words = Words(text);
    std::vector<const NamedParam*> found;
    if (words.empty())
        return found;
    for (const NamedParam& p : NamedParams()) {
        const std::string hay = Haystack(p);
        if (std::all_of(words.begin(), words.end(),
                        [&hay](const std::string& w) { return hay.find(w) != std::string::npos; }))
            found.push_back(&p);
    }
    return found;
}

std::vector<std::string> NamesSharingWords(std::string_view name, std::size_t count) {
    const std::vector<std::string> typed = Words(name);
    struct Scored {
        int score;
        const NamedParam* p;
    };
    std::vector<Scored> scored;
    for (const NamedParam& p : NamedParams()) {
        if (p.Reserved())
            continue;
        const std::vector<std::string> own = Words(Haystack(p));
        int shared = 0;
        for (const std::string& w : typed)
            shared += std::find(own.begin(), own.end(), w) != own.end() ? 1 : 0;
        // Two words in common at least; the fewer words of its own a name has
        // beyond them, the closer it is.
        const int extra = static_cast<int>(Words(p.name).size()) - shared;
        if (shared >= 2)
            scored.push_back({shared * 2 - extra, &p});
    }
    std::stable_sort(scored.begin(), scored.end(),
                     [](const Scored& x, const Scored& y) { return x.score > y.score; });
    std::vector<std::string> out;
    for (std::size_t k = 0; k < scored.size() && out.size() < count; ++k)
        out.push_back(scored[k].p->name);
    return out;
}

}  // namespace kdsp::cli
