// The subset of WQL the system's queries use: SELECT * FROM class, optionally with WHERE on
// one property compared by "=" or LIKE against a quoted literal with backslash escapes.
#pragma once

#include "platform/text.h"

namespace presetra {

struct WqlQuery {
  WString className;
  WString property;  // empty: no WHERE
  bool like = false;
  WString value;  // the literal, escapes resolved
};

// False when the text is not such a query.
bool ParseWqlQuery(WStringView text, WqlQuery* query);
// WQL LIKE: '%' any run, '_' any one character; letters compared ignoring case.
bool WqlLike(WStringView text, WStringView pattern);

}  // namespace presetra
