// Whether an expression mentions a name anywhere inside it (lambdas and blocks included),
// shadowing aside: a cheap look before a default argument is compiled.
#pragma once

#include <string>
#include <vector>

#include "core/ast.h"

namespace kelo_compile {

bool mentions_any(const kelo_core::ast::Expr& expr, const std::vector<std::string>& names);

}  // namespace kelo_compile
