#include "CellWords.h"

#include <algorithm>
#include <set>

#include "app/MainForm.h"
#include "pages/f_GPRS.h"
#include "pages/f_GPS.h"
#include "pages/f_accum.h"
#include "pages/f_common.h"
#include "pages/f_flags.h"
#include "pages/f_inout.h"
#include "pages/f_phones.h"
#include "toolkit/TextUtil.h"

namespace {

// Values are cut to this many characters; what the program says is not.
constexpr std::size_t ValueLimit = 40;

// The parameter pages with the names the tree shows them by.
std::vector<std::pair<const TForm*, std::string>> ParameterPages(const TForm1& form) {
    std::vector<std::pair<const TForm*, std::string>> pages;
    for (int i = 0; i < form.tv1->NodeCount(); ++i) {
        const TTreeNode* node = form.tv1->Node(i);
        const TForm* page = form.PageByNumber(node->StateIndex());
        if (dynamic_cast<const TParamPage*>(page) || page == form.formFlags)
            pages.emplace_back(page, node->Text());
    }
    return pages;
}

// A lamp's caption up to its examples in brackets, or the lamp's name.
std::string LampCaption(const TForm& page, const std::string& lamp) {
    if (const auto* label = page.Find<TLabel>(lamp)) {
        std::string caption = label->Caption();
        caption = TrimBlanks(caption.substr(0, caption.find(" (")));
        if (!caption.empty())
            return caption;
    }
    return lamp;
}

std::string Shown(const std::string& text, std::size_t limit) {
    std::string shown;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) != 0x80 && ++characters > limit)
            return shown + "…";
        shown += c < 0x20 ? std::string("·") : std::string(1, static_cast<char>(c));
    }
    return shown;
}

} // namespace

void TCellWords::AddAll(const std::vector<std::string>& Phrases) {
    FPhrases.insert(FPhrases.end(), Phrases.begin(), Phrases.end());
}

void TCellWords::Quote(const std::string& Label, const std::string& Text) {
    Add(Label + " " + QuoteOrEmpty(Text));
}

void TCellWords::List(const std::string& Label, const std::vector<std::string>& Items) {
    if (Items.empty())
        return;
    std::string phrase = Label + (Items.size() > 1 ? "s" : "");
    for (std::size_t i = 0; i < Items.size(); ++i)
        phrase += (i == 0 ? " " : ", ") + QuoteOrEmpty(Items[i]);
    Add(phrase);
}

std::string TCellWords::Text() const {
    std::string text;
    for (const std::string& phrase : FPhrases)
        text += (text.empty() ? "" : "; ") + phrase;
    return text;
}

std::string QuoteOrEmpty(const std::string& Text, std::size_t Limit) {
    return Text.empty() ? "empty" : "«" + Shown(Text, Limit) + "»";
}

std::string EepromColour(int WriteState) {
    switch (WriteState) {
    case 0:
        return "white";
    case 1:
        return "blue";
    case 2:
        return "red";
    case 3:
        return "yellow";
    default:
        return "state " + std::to_string(WriteState);
    }
}

TValueSnapshot SnapshotValues(const TForm1& Form) {
    TValueSnapshot values;
    for (const auto& [page, title] : ParameterPages(Form))
        for (const TComponentInfo* c : page->Components()) {
            const QObject* o = c->Object();
            std::string value;
            if (const auto* e = dynamic_cast<const TEdit*>(o))
                value = e->Text();
            else if (const auto* s = dynamic_cast<const TSpinEdit*>(o))
                value = s->Text();
            else if (const auto* b = dynamic_cast<const TCheckBox*>(o))
                value = b->Checked() ? "1" : "0";
            else if (const auto* r = dynamic_cast<const TRadioButton*>(o))
                value = r->Checked() ? "1" : "0";
            else
                continue;
            values[page->Name() + "/" + c->Name()] = {title, LampCaption(*page, "lb" + c->Name()),
                                                      value};
        }
    return values;
}

std::vector<std::string> ValueDifferences(const TValueSnapshot& Before,
                                          const TValueSnapshot& After) {
    std::vector<const TShownValue*> changed;
    for (const auto& [key, shown] : After) {
        const auto old = Before.find(key);
        if (old == Before.end() || old->second.Value != shown.Value)
            changed.push_back(&shown);
    }
    if (changed.empty())
        return {"values as a clean read brings"};
    std::vector<std::string> phrases;
    if (changed.size() <= 3) {
        for (const TShownValue* v : changed)
            phrases.push_back(QuoteOrEmpty(v->Caption) +
                              (v->Value.empty() ? " left empty"
                                                : " shows " + QuoteOrEmpty(v->Value, ValueLimit)));
        return phrases;
    }
    std::vector<std::string> pages;
    for (const TShownValue* v : changed)
        if (std::find(pages.begin(), pages.end(), v->Page) == pages.end())
            pages.push_back(v->Page);
    std::string phrase = std::to_string(changed.size()) + " values differ from a clean read, on ";
    for (std::size_t i = 0; i < pages.size(); ++i)
        phrase += (i == 0 ? "" : ", ") + QuoteOrEmpty(pages[i]);
    phrases.push_back(phrase);
    return phrases;
}

std::vector<std::string> RedLamps(const TForm1& Form) {
    std::vector<std::string> lamps;
    for (const auto& [page, title] : ParameterPages(Form))
        for (const TComponentInfo* c : page->Components())
            if (const auto* label = dynamic_cast<const TLabel*>(c->Object());
                label && c->Name().starts_with("lb") && label->FontColor() == clRed)
                lamps.push_back(page->Name() + "/" + c->Name());
    return lamps;
}

std::vector<std::string> NewRedLamps(const TForm1& Form, const std::vector<std::string>& Before) {
    std::vector<std::string> captions;
    for (const std::string& key : RedLamps(Form)) {
        if (std::find(Before.begin(), Before.end(), key) != Before.end())
            continue;
        const std::size_t slash = key.find('/');
        const TForm* page = nullptr;
        for (const auto& [p, title] : ParameterPages(Form))
            if (p->Name() == key.substr(0, slash))
                page = p;
        captions.push_back(page ? LampCaption(*page, key.substr(slash + 1)) : key);
    }
    return captions;
}

std::vector<std::string> ErrorLines(const std::vector<std::string>& Memo) {
    std::vector<std::string> lines;
    std::set<std::string> seen;
    for (const std::string& line : Memo) {
        const std::string text = TrimBlanks(line);
        const bool failure = text.starts_with("ОШИБКА") || text.starts_with("# !!!") ||
                             text.starts_with("# Слишком длинный ответ");
        if (failure && seen.insert(text).second)
            lines.push_back(text);
    }
    return lines;
}
