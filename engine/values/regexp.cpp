// The regular-expression compiler and matcher. A pattern is parsed into a small tree,
// then written as instructions of a backtracking machine; intervals {m,n} are written
// out copy by copy, bounded by the program's size limit.
#include "values/regexp.h"

#include "values/utf8.h"

#include <cstring>

namespace {

constexpr std::size_t kMaxPatternBytes = 512;     // Oracle's limit for a pattern
constexpr std::size_t kMaxProgram = 32768;        // instructions after intervals are written out
constexpr std::int32_t kMaxInterval = 32767;      // the largest m or n of {m,n}
constexpr std::uint64_t kMaxMemoBits = 1u << 25;  // 4 MB of remembered failures
constexpr std::uint64_t kMaxSteps = 10000000;     // per subject, for what is not memoised
constexpr std::size_t kMaxStack = 4000000;        // backtracking frames

// The named classes: [:name:] inside brackets; \d \w \s outside.
enum Named : std::uint8_t {
    kAlpha,
    kDigit,
    kAlnum,
    kSpace,
    kUpper,
    kLower,
    kPunct,
    kXdigit,
    kCntrl,
    kPrint,
    kGraph,
    kBlank,
    kWord,
};

const struct {
    const char* name;
    Named cls;
} kClassNames[] = {
    {"alpha", kAlpha}, {"digit", kDigit},   {"alnum", kAlnum}, {"space", kSpace}, {"upper", kUpper}, {"lower", kLower},
    {"punct", kPunct}, {"xdigit", kXdigit}, {"cntrl", kCntrl}, {"print", kPrint}, {"graph", kGraph}, {"blank", kBlank},
};

// The Perl escapes that stand for a class: letter, class, negated.
const struct {
    char letter;
    Named cls;
    bool neg;
} kEscapeClasses[] = {
    {'d', kDigit, false}, {'D', kDigit, true},  {'w', kWord, false},
    {'W', kWord, true},   {'s', kSpace, false}, {'S', kSpace, true},
};

// The base letter of the accented Latin letters U+00C0 to U+017F ('.' for none), which
// the equivalence classes [=e=] compare.
const char kBaseLetters[] =
    "AAAAAAACEEEEIIIIDNOOOOO.OUUUUY..aaaaaaaceeeeiiiidnooooo.ouuuuy.y"  // U+00C0
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIi..JjKk.LlLlLlLlLl"
    "NnNnNn...OoOoOo..RrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZz.";

char base_letter(std::uint32_t ch) {
    if (ch < 0x80) return static_cast<char>(ch);
    if (ch < 0xC0 || ch > 0x17F) return 0;
    char b = kBaseLetters[ch - 0xC0];
    return b == '.' ? 0 : b;
}

bool is_ascii_punct(std::uint32_t ch) {
    return ch < 0x80 && ch > 0x20 && ch != 0x7F &&
           !((ch >= '0' && ch <= '9') || ((ch | 0x20) >= 'a' && (ch | 0x20) <= 'z'));
}

bool is_space(std::uint32_t ch) {
    return ch == ' ' || (ch >= 9 && ch <= 13) || ch == 0xA0;
}

bool named_has(std::uint8_t cls, std::uint32_t ch) {
    bool digit = ch >= '0' && ch <= '9';
    bool letter = utf8_alnum(ch) && !digit;
    switch (cls) {
    case kAlpha:
        return letter;
    case kDigit:
        return digit;
    case kAlnum:
        return letter || digit;
    case kSpace:
        return is_space(ch);
    case kUpper:
        return letter && utf8_lower(ch) != ch;
    case kLower:
        return letter && utf8_upper(ch) != ch;
    case kPunct:
        return is_ascii_punct(ch);
    case kXdigit:
        return digit || ((ch | 0x20) >= 'a' && (ch | 0x20) <= 'f');
    case kCntrl:
        return ch < 0x20 || ch == 0x7F;
    case kPrint:
        return ch >= 0x20 && ch != 0x7F;
    case kGraph:
        return ch > 0x20 && ch != 0x7F && !is_space(ch);
    case kBlank:
        return ch == ' ' || ch == '\t';
    case kWord:
        return letter || digit || ch == '_';
    }
    return false;
}

bool class_has_exact(const RegexClass& cls, std::uint32_t ch) {
    for (const auto& r : cls.ranges)
        if (ch >= r.first && ch <= r.second) return true;
    for (std::uint8_t n : cls.named)
        if (named_has(n, ch)) return true;
    for (std::uint8_t n : cls.unnamed)
        if (!named_has(n, ch)) return true;
    char base = base_letter(ch);
    for (char e : cls.equivalents)
        if (base && base == e) return true;
    return false;
}

// The tree of a parsed pattern.
enum class NodeKind : std::uint8_t { Empty, Literal, Any, Class, Assert, Group, Concat, Alternation, Repeat, Backref };

struct Node {
    NodeKind kind = NodeKind::Empty;
    std::uint32_t c = 0;
    RegexOp op = RegexOp::Match;  // Assert
    bool neg = false;             // Class
    bool greedy = true;           // Repeat
    std::int32_t a = 0;           // Class: index; Group, Backref: number; Repeat: minimum
    std::int32_t b = 0;           // Repeat: maximum, -1 for none
    std::vector<int> kids;
};

class Compiler {
public:
    Compiler(const std::string& pattern, Regex* re) : re_(re) {
        for (std::size_t at = 0, n = 0; at < pattern.size(); at += n) pat_.push_back(utf8_decode(pattern, at, &n));
    }

    int compile() {
        int root = 0;
        if (int e = alternation(&root)) return e;
        if (p_ < pat_.size()) return 12725;  // a ')' without its '('
        if (int e = emit(root)) return e;
        RegexInst m;
        m.op = RegexOp::Match;
        re_->prog.push_back(m);
        return 0;
    }

private:
    bool at_end() const { return p_ >= pat_.size(); }
    std::uint32_t cur() const { return p_ < pat_.size() ? pat_[p_] : 0; }
    std::uint32_t ahead(std::size_t k) const { return p_ + k < pat_.size() ? pat_[p_ + k] : 0; }

    int node(NodeKind kind) {
        nodes_.emplace_back();
        nodes_.back().kind = kind;
        return static_cast<int>(nodes_.size() - 1);
    }

    void skip_blanks() {
        if (!re_->flags.extended) return;
        while (!at_end() && is_space(cur())) ++p_;
    }

    int alternation(int* out) {
        int first = 0;
        if (int e = concatenation(&first)) return e;
        if (cur() != '|' || at_end()) {
            *out = first;
            return 0;
        }
        int alt = node(NodeKind::Alternation);
        nodes_[alt].kids.push_back(first);
        while (!at_end() && cur() == '|') {
            ++p_;
            int next = 0;
            if (int e = concatenation(&next)) return e;
            nodes_[alt].kids.push_back(next);
        }
        *out = alt;
        return 0;
    }

    int concatenation(int* out) {
        int cat = node(NodeKind::Concat);
        for (;;) {
            skip_blanks();
            if (at_end() || cur() == '|' || cur() == ')') break;
            int atom_node = 0;
            if (int e = atom(&atom_node)) return e;
            if (int e = quantifiers(&atom_node)) return e;
            nodes_[cat].kids.push_back(atom_node);
        }
        *out = cat;
        return 0;
    }

    // One atom; a quantifier character where no atom precedes it stands for itself.
    int atom(int* out) {
        std::uint32_t ch = cur();
        ++p_;
        switch (ch) {
        case '(': {
            int g = node(NodeKind::Group);
            nodes_[g].a = ++re_->groups;
            int inner = 0;
            if (int e = alternation(&inner)) return e;
            if (at_end() || cur() != ')') return 12725;
            ++p_;
            nodes_[g].kids.push_back(inner);
            *out = g;
            return 0;
        }
        case '[':
            return bracket(out);
        case '.':
            *out = node(NodeKind::Any);
            return 0;
        case '^':
        case '$':
            *out = node(NodeKind::Assert);
            nodes_[*out].op = ch == '^' ? RegexOp::LineBegin : RegexOp::LineEnd;
            return 0;
        case '\\':
            return escape(out);
        default:
            break;
        }
        *out = literal(ch);
        return 0;
    }

    int literal(std::uint32_t ch) {
        int n = node(NodeKind::Literal);
        nodes_[n].c = re_->flags.icase ? utf8_lower(ch) : ch;
        return n;
    }

    int escape(int* out) {
        if (at_end()) {
            *out = literal('\\');
            return 0;
        }
        std::uint32_t ch = cur();
        ++p_;
        if (ch >= '1' && ch <= '9') {
            int g = static_cast<int>(ch - '0');
            if (g > re_->groups) return 12727;
            *out = node(NodeKind::Backref);
            nodes_[*out].a = g;
            re_->backrefs = true;
            return 0;
        }
        for (const auto& e : kEscapeClasses) {
            if (ch != static_cast<std::uint32_t>(e.letter)) continue;
            RegexClass cls;
            cls.named.push_back(e.cls);
            *out = node(NodeKind::Class);
            nodes_[*out].a = static_cast<std::int32_t>(re_->classes.size());
            nodes_[*out].neg = e.neg;
            re_->classes.push_back(cls);
            return 0;
        }
        const struct {
            char letter;
            RegexOp op;
        } kAnchors[] = {{'A', RegexOp::TextBegin}, {'Z', RegexOp::TextEndNl}, {'z', RegexOp::TextEnd}};
        for (const auto& a : kAnchors) {
            if (ch != static_cast<std::uint32_t>(a.letter)) continue;
            *out = node(NodeKind::Assert);
            nodes_[*out].op = a.op;
            return 0;
        }
        *out = literal(ch);
        return 0;
    }

    // After '[': the bracket expression up to its ']'.
    int bracket(int* out) {
        RegexClass cls;
        bool neg = false;
        if (cur() == '^' && !at_end()) {
            neg = true;
            ++p_;
        }
        bool first = true;
        for (;;) {
            if (at_end()) return 12726;
            std::uint32_t ch = cur();
            if (ch == ']' && !first) {
                ++p_;
                break;
            }
            first = false;
            std::uint32_t lo = 0;
            bool single = true;
            if (int e = bracket_item(&cls, &lo, &single)) return e;
            if (!single) continue;
            if (cur() == '-' && !at_end() && ahead(1) != ']' && p_ + 1 < pat_.size()) {
                ++p_;
                std::uint32_t hi = 0;
                bool hi_single = true;
                if (int e = bracket_item(&cls, &hi, &hi_single)) return e;
                if (!hi_single || hi < lo) return 12728;
                cls.ranges.emplace_back(lo, hi);
            } else {
                cls.ranges.emplace_back(lo, lo);
            }
        }
        *out = node(NodeKind::Class);
        nodes_[*out].a = static_cast<std::int32_t>(re_->classes.size());
        nodes_[*out].neg = neg;
        re_->classes.push_back(cls);
        return 0;
    }

    // One member of a bracket expression: a character (*single, its code in *ch), a
    // collating element [.c.], or a named or equivalence class added to cls.
    int bracket_item(RegexClass* cls, std::uint32_t* ch, bool* single) {
        std::uint32_t c = cur();
        ++p_;
        *single = true;
        *ch = c;
        if (c != '[' || at_end()) return 0;
        std::uint32_t kind = cur();
        if (kind != ':' && kind != '=' && kind != '.') return 0;
        // [:name:], [=c=] or [.c.]: the text up to the closing kind].
        std::size_t start = p_ + 1, end = start;
        while (end + 1 < pat_.size() && !(pat_[end] == kind && pat_[end + 1] == ']')) ++end;
        int bad = kind == ':' ? 12729 : kind == '=' ? 12730 : 12731;
        if (end + 1 >= pat_.size()) return kind == ':' ? 12726 : bad;
        p_ = end + 2;
        std::size_t len = end - start;
        if (kind == '.') {
            if (len != 1) return bad;
            *ch = pat_[start];
            return 0;
        }
        *single = false;
        if (kind == '=') {
            char base = len == 1 ? base_letter(pat_[start]) : 0;
            if (!base) {
                if (len != 1) return bad;
                cls->ranges.emplace_back(pat_[start], pat_[start]);  // no accented forms
                return 0;
            }
            cls->equivalents.push_back(base);
            return 0;
        }
        std::string name;
        for (std::size_t k = start; k < end; ++k) name += pat_[k] < 0x80 ? static_cast<char>(pat_[k]) : '?';
        for (const auto& n : kClassNames) {
            if (name != n.name) continue;
            cls->named.push_back(n.cls);
            return 0;
        }
        return bad;
    }

    // Digits at the cursor as a number; false when there are none or it is too large.
    bool number(std::int32_t* v) {
        if (at_end() || cur() < '0' || cur() > '9') return false;
        std::int64_t n = 0;
        while (!at_end() && cur() >= '0' && cur() <= '9') {
            n = n * 10 + (cur() - '0');
            if (n > kMaxInterval) return false;
            ++p_;
        }
        *v = static_cast<std::int32_t>(n);
        return true;
    }

    int quantifiers(int* atom_node) {
        for (;;) {
            skip_blanks();
            if (at_end()) return 0;
            std::uint32_t ch = cur();
            std::int32_t lo = 0, hi = -1;
            if (ch == '*') {
                ++p_;
            } else if (ch == '+') {
                lo = 1;
                ++p_;
            } else if (ch == '?') {
                hi = 1;
                ++p_;
            } else if (ch == '{' && ahead(1) >= '0' && ahead(1) <= '9') {
                ++p_;
                if (!number(&lo)) return 12732;
                hi = lo;
                if (cur() == ',' && !at_end()) {
                    ++p_;
                    hi = -1;
                    if (!at_end() && cur() != '}' && !number(&hi)) return 12732;
                }
                if (at_end() || cur() != '}' || (hi >= 0 && hi < lo)) return 12732;
                ++p_;
            } else {
                return 0;
            }
            int rep = node(NodeKind::Repeat);
            nodes_[rep].a = lo;
            nodes_[rep].b = hi;
            if (!at_end() && cur() == '?') {
                nodes_[rep].greedy = false;
                ++p_;
            }
            nodes_[rep].kids.push_back(*atom_node);
            *atom_node = rep;
        }
    }

    int add(RegexOp op, std::int32_t x = 0, std::int32_t y = 0) {
        RegexInst in;
        in.op = op;
        in.x = x;
        in.y = y;
        re_->prog.push_back(in);
        return static_cast<int>(re_->prog.size() - 1);
    }

    int pc() const { return static_cast<int>(re_->prog.size()); }

    int emit(int n) {
        if (re_->prog.size() > kMaxProgram) return 12733;
        const Node& nd = nodes_[static_cast<std::size_t>(n)];
        switch (nd.kind) {
        case NodeKind::Empty:
            return 0;
        case NodeKind::Literal:
            re_->prog[static_cast<std::size_t>(add(RegexOp::Char))].c = nd.c;
            return 0;
        case NodeKind::Any:
            add(RegexOp::Any);
            return 0;
        case NodeKind::Class:
            re_->prog[static_cast<std::size_t>(add(RegexOp::Class, nd.a))].neg = nd.neg;
            return 0;
        case NodeKind::Assert:
            add(nd.op);
            return 0;
        case NodeKind::Backref:
            add(RegexOp::Backref, nd.a);
            return 0;
        case NodeKind::Group:
            add(RegexOp::Save, 2 * nd.a);
            if (int e = emit(nd.kids[0])) return e;
            add(RegexOp::Save, 2 * nd.a + 1);
            return 0;
        case NodeKind::Concat:
            for (int k : nd.kids)
                if (int e = emit(k)) return e;
            return 0;
        case NodeKind::Alternation:
            return emit_alternation(nd);
        case NodeKind::Repeat:
            return emit_repeat(nd);
        }
        return 0;
    }

    int emit_alternation(const Node& nd) {
        std::vector<int> jumps;
        for (std::size_t i = 0; i < nd.kids.size(); ++i) {
            int split = -1;
            if (i + 1 < nd.kids.size()) split = add(RegexOp::Split, pc() + 1);
            if (int e = emit(nd.kids[i])) return e;
            if (i + 1 < nd.kids.size()) {
                jumps.push_back(add(RegexOp::Jump));
                re_->prog[static_cast<std::size_t>(split)].y = pc();
            }
        }
        for (int j : jumps) re_->prog[static_cast<std::size_t>(j)].x = pc();
        return 0;
    }

    void set_split(int split, int body, int skip, bool greedy) {
        RegexInst& in = re_->prog[static_cast<std::size_t>(split)];
        in.x = greedy ? body : skip;
        in.y = greedy ? skip : body;
    }

    int emit_repeat(const Node& nd) {
        int child = nd.kids[0];
        for (std::int32_t i = 0; i < nd.a; ++i)
            if (int e = emit(child)) return e;
        if (nd.b < 0) {
            int loop = add(RegexOp::Split);
            int slot = re_->loops++;
            add(RegexOp::Mark, slot);
            if (int e = emit(child)) return e;
            add(RegexOp::Check, slot);
            add(RegexOp::Jump, loop);
            set_split(loop, loop + 1, pc(), nd.greedy);
            return 0;
        }
        std::vector<int> splits;
        for (std::int32_t i = nd.a; i < nd.b; ++i) {
            if (re_->prog.size() > kMaxProgram) return 12733;
            splits.push_back(add(RegexOp::Split));
            if (int e = emit(child)) return e;
        }
        for (int s : splits) set_split(s, s + 1, pc(), nd.greedy);
        return 0;
    }

    Regex* re_;
    std::vector<std::uint32_t> pat_;
    std::size_t p_ = 0;
    std::vector<Node> nodes_;
};

}  // namespace

bool regex_flags_parse(const std::string& text, RegexFlags* flags) {
    for (char c : text) {
        switch (c) {
        case 'i':
            flags->icase = true;
            break;
        case 'c':
            flags->icase = false;
            break;
        case 'n':
            flags->dot_all = true;
            break;
        case 'm':
            flags->multiline = true;
            break;
        case 'x':
            flags->extended = true;
            break;
        default:
            return false;
        }
    }
    return true;
}

int regex_compile(const std::string& pattern, const RegexFlags& flags, Regex* out) {
    *out = Regex();
    out->flags = flags;
    if (pattern.size() > kMaxPatternBytes) return 12733;
    Compiler c(pattern, out);
    int e = c.compile();
    if (e == 0 && out->prog.size() > kMaxProgram) e = 12733;
    return e;
}

bool regex_class_has(const RegexClass& cls, std::uint32_t ch, bool icase) {
    if (class_has_exact(cls, ch)) return true;
    if (!icase) return false;
    std::uint32_t lo = utf8_lower(ch), up = utf8_upper(ch);
    return (lo != ch && class_has_exact(cls, lo)) || (up != ch && class_has_exact(cls, up));
}

RegexSubject::RegexSubject(const Regex& re, const std::string& text) : re_(re), text_(text) {
    for (std::size_t at = 0, n = 0; at < text.size(); at += n) {
        offsets_.push_back(at);
        chars_.push_back(utf8_decode(text, at, &n));
    }
    offsets_.push_back(text.size());
    std::uint64_t bits = static_cast<std::uint64_t>(chars_.size() + 1) * re.prog.size();
    if (!re.backrefs && bits <= kMaxMemoBits) memo_.assign(static_cast<std::size_t>((bits + 63) / 64), 0);
}

bool RegexSubject::visited(std::int32_t pc, std::int32_t pos) {
    std::size_t bit = static_cast<std::size_t>(pos) * re_.prog.size() + static_cast<std::size_t>(pc);
    std::uint64_t mask = std::uint64_t{1} << (bit % 64);
    if (memo_[bit / 64] & mask) return true;
    memo_[bit / 64] |= mask;
    return false;
}

bool RegexSubject::step_char(const RegexInst& in, std::uint32_t ch) const {
    switch (in.op) {
    case RegexOp::Char:
        return (re_.flags.icase ? utf8_lower(ch) : ch) == in.c;
    case RegexOp::Any:
        return re_.flags.dot_all || ch != '\n';
    case RegexOp::Class:
        return regex_class_has(re_.classes[static_cast<std::size_t>(in.x)], ch, re_.flags.icase) != in.neg;
    default:
        return false;
    }
}

namespace {

// A backtracking frame: resume a thread, or undo a capture or loop slot.
enum class FrameKind : std::uint8_t { Resume, Capture, Loop };
struct Frame {
    FrameKind kind;
    std::int32_t a;  // instruction, or slot
    std::int32_t b;  // position, or the slot's old value
};

}  // namespace

// One attempt anchored at start: 1 matched (caps filled), 0 not, -12722 over budget.
int RegexSubject::run(std::int32_t start, std::vector<std::int32_t>* caps) {
    const std::int32_t n = static_cast<std::int32_t>(chars_.size());
    std::vector<std::int32_t> loops(static_cast<std::size_t>(re_.loops), -1);
    caps->assign(static_cast<std::size_t>(2 * (re_.groups + 1)), -1);
    std::vector<Frame> stack;
    stack.push_back({FrameKind::Resume, 0, start});
    bool memo = !memo_.empty();
    while (!stack.empty()) {
        Frame f = stack.back();
        stack.pop_back();
        if (f.kind == FrameKind::Capture) {
            (*caps)[static_cast<std::size_t>(f.a)] = f.b;
            continue;
        }
        if (f.kind == FrameKind::Loop) {
            loops[static_cast<std::size_t>(f.a)] = f.b;
            continue;
        }
        std::int32_t pc = f.a, pos = f.b;
        for (;;) {
            if (++steps_ > kMaxSteps || stack.size() > kMaxStack) return -12722;
            if (memo && visited(pc, pos)) break;
            const RegexInst& in = re_.prog[static_cast<std::size_t>(pc)];
            bool ok = true;
            switch (in.op) {
            case RegexOp::Char:
            case RegexOp::Any:
            case RegexOp::Class:
                ok = pos < n && step_char(in, chars_[static_cast<std::size_t>(pos)]);
                ++pos;
                break;
            case RegexOp::LineBegin:
                ok = pos == 0 || (re_.flags.multiline && chars_[static_cast<std::size_t>(pos - 1)] == '\n');
                break;
            case RegexOp::LineEnd:
                ok = pos == n || (re_.flags.multiline && chars_[static_cast<std::size_t>(pos)] == '\n');
                break;
            case RegexOp::TextBegin:
                ok = pos == 0;
                break;
            case RegexOp::TextEnd:
                ok = pos == n;
                break;
            case RegexOp::TextEndNl:
                ok = pos == n || (pos == n - 1 && chars_[static_cast<std::size_t>(pos)] == '\n');
                break;
            case RegexOp::Split:
                stack.push_back({FrameKind::Resume, in.y, pos});
                pc = in.x;
                continue;
            case RegexOp::Jump:
                pc = in.x;
                continue;
            case RegexOp::Save:
                stack.push_back({FrameKind::Capture, in.x, (*caps)[static_cast<std::size_t>(in.x)]});
                (*caps)[static_cast<std::size_t>(in.x)] = pos;
                break;
            case RegexOp::Mark:
                if (!memo) {
                    stack.push_back({FrameKind::Loop, in.x, loops[static_cast<std::size_t>(in.x)]});
                    loops[static_cast<std::size_t>(in.x)] = pos;
                }
                break;
            case RegexOp::Check:
                ok = memo || loops[static_cast<std::size_t>(in.x)] != pos;
                break;
            case RegexOp::Backref: {
                std::int32_t s = (*caps)[static_cast<std::size_t>(2 * in.x)];
                std::int32_t e = (*caps)[static_cast<std::size_t>(2 * in.x + 1)];
                ok = s >= 0 && e >= s && pos + (e - s) <= n;
                for (std::int32_t k = 0; ok && k < e - s; ++k) {
                    std::uint32_t x = chars_[static_cast<std::size_t>(s + k)];
                    std::uint32_t y = chars_[static_cast<std::size_t>(pos + k)];
                    ok = re_.flags.icase ? utf8_lower(x) == utf8_lower(y) : x == y;
                }
                if (ok) pos += e - s;
                break;
            }
            case RegexOp::Match:
                (*caps)[0] = start;
                (*caps)[1] = pos;
                return 1;
            }
            if (!ok) break;
            ++pc;
        }
    }
    return 0;
}

int RegexSubject::search(std::size_t from, std::vector<std::int32_t>* groups) {
    if (!memo_.empty() && last_end_ >= 0) {
        // The states on the last match's path did not fail: forget those the next
        // search can reach again.
        std::size_t width = re_.prog.size();
        for (std::size_t pos = from; pos <= static_cast<std::size_t>(last_end_) && pos <= chars_.size(); ++pos)
            for (std::size_t pc = 0; pc < width; ++pc) {
                std::size_t bit = pos * width + pc;
                memo_[bit / 64] &= ~(std::uint64_t{1} << (bit % 64));
            }
    }
    for (std::size_t start = from; start <= chars_.size(); ++start) {
        int r = run(static_cast<std::int32_t>(start), groups);
        if (r == 0) continue;
        if (r == 1) last_end_ = (*groups)[1];
        return r;
    }
    return 0;
}
