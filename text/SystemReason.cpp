#include <text/SystemReason.h>

#include <cerrno>
#include <cstring>

namespace tabulon {

std::string SystemReason(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return "アクセス権がありません";
    case ENOENT:
      return "ファイルまたはフォルダがありません";
    case EISDIR:
      return "フォルダです";
    case ENOTDIR:
      return "パスの途中にフォルダではないものがあります";
    case ENOSPC:
    case EDQUOT:
      return "ディスクに空きがありません";
    case EROFS:
      return "読み取り専用のファイルシステムです";
    case ENAMETOOLONG:
      return "名前が長すぎます";
    case EMFILE:
    case ENFILE:
      return "開いているファイルが多すぎます";
    default:
      return std::strerror(error);
  }
}

std::string SystemReason(const std::error_code& error) {
  if (error.category() == std::generic_category() || error.category() == std::system_category()) {
    return SystemReason(error.value());
  }
  return error.message();
}

}  // namespace tabulon
