#include "svg/css_declarations.hpp"

#include <algorithm>
#include <utility>

#include "svg/css_number.hpp"
#include "svg/svg_document.hpp"

namespace evenhue::svg::css {

namespace {

struct Value {
  std::string text;
  bool important = false;
  std::size_t begin = 0, end = 0;  // of the text within the raw value, "!important" left out
};

// A declaration's value from the text after its colon: comments removed (a
// space kept where one separated two tokens), surrounding white space and a
// final "!important" outside any block taken off.
Value ReadValue(std::string_view raw) {
  struct Placed {
    Token token;
    std::size_t endBefore = 0;     // where the value would end if cut just before this token
    std::size_t rawEndBefore = 0;  // the same in the raw text
  };
  Value v;
  Placed last, previous;  // the last two tokens outside any block that are not white space
  std::size_t end = 0;    // of the text up to the last token that is not white space
  std::size_t rawEnd = 0;
  bool any = false;
  bool gap = false;
  BlockStack blocks;
  Tokenizer tokenizer(raw);
  for (Token t = tokenizer.Next(); t.type != Tok::End; t = tokenizer.Next()) {
    const std::string_view source = raw.substr(t.begin, t.end - t.begin);
    if (t.type == Tok::Comment) {
      gap = gap || (!v.text.empty() && !IsWhitespace(static_cast<unsigned char>(v.text.back())));
    } else if (t.type == Tok::Whitespace) {
      if (!v.text.empty()) v.text.append(source);
      gap = false;
    } else {
      if (gap) v.text.push_back(' ');
      gap = false;
      if (!any) v.begin = t.begin;
      any = true;
      if (blocks.empty()) {
        previous = last;
        last = {t, end, rawEnd};
      }
      blocks.Take(t);
      v.text.append(source);
      end = v.text.size();
      rawEnd = t.end;
    }
  }
  v.important = previous.token.type == Tok::Delim && raw[previous.token.begin] == '!' &&
                last.token.type == Tok::Ident &&
                EqualsIgnoreAsciiCase(DecodeName(raw.substr(last.token.begin, last.token.end - last.token.begin)),
                                      "important");
  v.text.resize(v.important ? previous.endBefore : end);
  v.end = v.important ? previous.rawEndBefore : rawEnd;
  if (v.end < v.begin) v.end = v.begin;
  return v;
}

bool Wants(PropertySet wanted, std::string_view property) {
  return wanted.empty() || std::find(wanted.begin(), wanted.end(), property) != wanted.end();
}

// `at`: where the raw value starts in the text read.
void AddDeclaration(std::string name, std::string_view rawValue, std::size_t at, const Keep& keep,
                    DeclarationList& out) {
  const bool custom = name.starts_with("--");  // custom property names keep their case
  if (!custom) name = AsciiLower(name);
  if (!Wants(keep.wanted, name)) return;
  Value value = ReadValue(rawValue);
  if (value.text.empty() && !custom) return;
  if (keep.check && !keep.check(name, value.text)) return;
  out.Add(Declaration{std::move(name), std::move(value.text), value.important,
                      static_cast<std::uint32_t>(at + value.begin), static_cast<std::uint32_t>(at + value.end)});
}

}  // namespace

void ReadDeclarations(TokenStream& ts, bool inBlock, const Keep& keep, DeclarationList& out,
                      const AtRuleHandler& onAtRule) {
  for (;;) {
    const Token t = ts.Next();
    switch (t.type) {
      case Tok::End: return;
      case Tok::Whitespace:
      case Tok::Semicolon: continue;
      case Tok::AtKeyword: {
        const AtRuleEnd end = SkipAtRule(ts, inBlock);
        if (onAtRule) onAtRule(ts.Text(t.begin, end.preludeEnd));
        if (end.closedBlock) return;
        continue;
      }
      case Tok::Ident: {
        Token next = ts.Next();
        while (next.type == Tok::Whitespace) next = ts.Next();
        if (next.type == Tok::Colon) {
          const DeclarationEnd end = SkipDeclaration(ts, inBlock);
          if (!end.broken) AddDeclaration(DecodeName(ts.Text(t)), ts.Text(next.end, end.at), next.end, keep, out);
          if (end.closedBlock) return;
          continue;
        }
        ts.PushBack(next);
        break;
      }
      default:
        if (inBlock && t.type == Tok::RightBrace) return;
        ts.PushBack(t);
        break;
    }
    // Not a declaration: skip to where the next one may start.
    if (SkipDeclaration(ts, inBlock).closedBlock) return;
  }
}

std::vector<Declaration> ParseDeclarations(std::string_view text, PropertySet wanted, const ValueCheck& check) {
  TokenStream ts(text);
  DeclarationList list;
  ReadDeclarations(ts, false, Keep{wanted, check}, list, nullptr);
  return list.Take();
}

}  // namespace evenhue::svg::css
