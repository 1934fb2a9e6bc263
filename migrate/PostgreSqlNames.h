#pragma once
// What PostgreSQL does to a name written without quotes: it folds ASCII
// capitals to small letters, refuses reserved words and characters outside
// its identifier alphabet, and cuts names longer than 63 bytes.

#include <string>
#include <string_view>
#include <vector>

namespace tabulon::migrate {

// True for the words PostgreSQL 15 reserves, also as table or column
// names (pg_get_keywords() categories R and T), compared without regard to
// ASCII case.
bool IsPostgreSqlReservedWord(std::string_view word);

// Why `name` must be quoted to reach PostgreSQL unchanged, in Japanese,
// one reason each (capitals folded, a reserved word, characters outside
// the identifier alphabet, a digit or "$" first, longer than 63 bytes);
// empty when it may go unquoted. Letters beyond ASCII may go unquoted.
std::vector<std::string> PostgreSqlQuotingReasons(std::string_view name);

}  // namespace tabulon::migrate
