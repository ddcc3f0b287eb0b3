// The SQL functions behind TO_NUMBER, TO_CHAR and TO_DATE with an explicit format mask
// (the one-argument forms use the session's formats through sql_functions.cpp).
// Number masks are checked element by element (9 0 . D , G $ S MI FM); date masks go
// through the engine's date conversions. Errors are raised as "ORA-nnnnn: text".
#include "sql_conversions.h"

#include "errors.h"
#include "values.h"

#include <cctype>
#include <cstdint>
#include <string>

namespace {

void raise(sqlite3_context* ctx, const OraError& e) {
  std::string text = ora_format(e.code, e.message);
  text.pop_back();
  sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}
void raise(sqlite3_context* ctx, int code) { raise(ctx, ora_error(code)); }

std::string value_text(sqlite3_value* v) {
  const unsigned char* t = sqlite3_value_text(v);
  return t ? std::string(reinterpret_cast<const char*>(t), static_cast<std::size_t>(sqlite3_value_bytes(v))) : "";
}

bool is_null(sqlite3_value* v) { return sqlite3_value_type(v) == SQLITE_NULL; }

struct NumberMask {
  int int_digits = 0;
  int frac_digits = 0;
  bool decimal = false;
  bool group = false;
  bool dollar = false;
  bool sign = false;       // S at either end
  bool minus_suffix = false;
};

bool number_mask_parse(const std::string& raw, NumberMask* m) {
  std::string mask;
  for (char c : raw) mask += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::size_t i = 0;
  if (mask.compare(0, 2, "FM") == 0) i = 2;
  if (i < mask.size() && mask[i] == 'S') {
    m->sign = true;
    ++i;
  }
  for (; i < mask.size(); ++i) {
    char c = mask[i];
    if (c == '9' || c == '0') {
      (m->decimal ? m->frac_digits : m->int_digits) += 1;
    } else if ((c == '.' || c == 'D') && !m->decimal) {
      m->decimal = true;
    } else if ((c == ',' || c == 'G') && !m->decimal) {
      m->group = true;
    } else if (c == '$') {
      m->dollar = true;
    } else if (c == 'S' && i + 1 == mask.size() && !m->sign) {
      m->sign = true;
    } else if (c == 'M' && i + 2 == mask.size() && mask[i + 1] == 'I') {
      m->minus_suffix = true;
      ++i;
    } else {
      return false;
    }
  }
  return m->int_digits + m->frac_digits > 0;
}

// TO_NUMBER(text, mask): the text must fit the mask's digits, separators and sign.
void fn_to_number_mask(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (is_null(argv[0]) || is_null(argv[1])) {
    sqlite3_result_null(ctx);
    return;
  }
  NumberMask m;
  if (!number_mask_parse(value_text(argv[1]), &m)) {
    raise(ctx, 1481);
    return;
  }
  std::string t = value_text(argv[0]);
  std::size_t a = t.find_first_not_of(' ');
  std::size_t b = t.find_last_not_of(' ');
  if (a == std::string::npos) {
    sqlite3_result_null(ctx);
    return;
  }
  t = t.substr(a, b - a + 1);
  bool negative = false;
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) {
    negative = t[i] == '-';
    ++i;
  }
  if (m.dollar && i < t.size() && t[i] == '$') ++i;
  std::string digits;
  int before = 0, after = 0;
  bool point = false;
  for (; i < t.size(); ++i) {
    char c = t[i];
    if (std::isdigit(static_cast<unsigned char>(c))) {
      digits += c;
      (point ? after : before) += 1;
    } else if (c == '.' && m.decimal && !point) {
      point = true;
      digits += c;
    } else if (c == ',' && m.group && !point) {
    } else if ((c == '-' || c == '+') && i + 1 == t.size() && (m.minus_suffix || m.sign) && !negative) {
      negative = c == '-';
    } else {
      raise(ctx, 1722);
      return;
    }
  }
  if (before + after == 0 || before > m.int_digits || after > m.frac_digits) {
    raise(ctx, 1722);
    return;
  }
  double d = 0;
  std::int64_t iv = 0;
  bool is_int = false;
  if (!number_parse(digits.data(), digits.size(), &d, &iv, &is_int)) {
    raise(ctx, 1722);
    return;
  }
  if (is_int) sqlite3_result_int64(ctx, negative ? -iv : iv);
  else sqlite3_result_double(ctx, negative ? -d : d);
}

// TO_DATE(text, mask)
void fn_to_date_mask(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (is_null(argv[0]) || is_null(argv[1])) {
    sqlite3_result_null(ctx);
    return;
  }
  std::string mask = value_text(argv[1]);
  if (!date_mask_valid(mask)) {
    raise(ctx, 1821);
    return;
  }
  DateValue d;
  OraError err;
  DateValue now;
  if (!date_parse(value_text(argv[0]), mask, now, &d, &err)) {
    raise(ctx, err);
    return;
  }
  std::string s = date_stored_text(d);
  sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// TO_CHAR(date, mask): the date in its stored form.
void fn_date_to_char_mask(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (is_null(argv[0]) || is_null(argv[1])) {
    sqlite3_result_null(ctx);
    return;
  }
  std::string mask = value_text(argv[1]);
  if (!date_mask_valid(mask)) {
    raise(ctx, 1821);
    return;
  }
  std::string stored = value_text(argv[0]);
  DateValue d;
  if (!date_parse_stored(stored.data(), stored.size(), &d)) {
    raise(ctx, 1858);
    return;
  }
  char buf[512];
  std::size_t n = date_format(d, mask, buf, sizeof buf);
  sqlite3_result_text(ctx, buf, static_cast<int>(n), SQLITE_TRANSIENT);
}

}  // namespace

bool sql_conversions_register(sqlite3* db) {
  struct Entry {
    const char* name;
    void (*fn)(sqlite3_context*, int, sqlite3_value**);
  };
  static const Entry kEntries[] = {
      {"vantro_to_number_mask", fn_to_number_mask},
      {"vantro_to_date_mask", fn_to_date_mask},
      {"vantro_date_to_char_mask", fn_date_to_char_mask},
  };
  for (const Entry& e : kEntries)
    if (sqlite3_create_function(db, e.name, 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, e.fn, nullptr, nullptr) !=
        SQLITE_OK)
      return false;
  return true;
}
