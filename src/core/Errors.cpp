#include "Errors.h"

#include <cerrno>

namespace {

std::string PlatformMessage(int number) { return "I/O \x83G\x83\x89\x81[ (" + std::to_string(number) + ")"; }  // I/O エラー (n)

}  // namespace

std::string InOutMessage(int code)
{
    switch (code) {
    case 2: return "\x83t\x83@\x83" "C\x83\x8B\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1";  // ファイルが見つかりません
    case 3: return "\x95s\x90\xB3\x82\xC8\x83t\x83@\x83" "C\x83\x8B\x96\xBC\x82\xC5\x82\xB7";  // 不正なファイル名です
    case 4:  // オープンしたファイルが多すぎます
        return "\x83I\x81[\x83v\x83\x93\x82\xB5\x82\xBD\x83t\x83@\x83" "C\x83\x8B\x82\xAA\x91\xBD\x82\xB7\x82\xAC\x82\xDC\x82\xB7";
    case 5:  // ファイルへのアクセスが拒否されました
        return "\x83t\x83@\x83" "C\x83\x8B\x82\xD6\x82\xCC\x83" "A\x83N\x83Z\x83X\x82\xAA\x8B\x91\x94\xDB\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD";
    case 100:  // ファイルの末尾以降を読み込みました
        return "\x83t\x83@\x83" "C\x83\x8B\x82\xCC\x96\x96\x94\xF6\x88\xC8\x8D~\x82\xF0\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x82\xDC\x82\xB5\x82\xBD";
    case 101: return "\x83" "f\x83" "B\x83X\x83N\x82\xAA\x82\xA2\x82\xC1\x82\xCF\x82\xA2\x82\xC5\x82\xB7";  // ディスクがいっぱいです
    case 106:  // 入力値が数値ではありません
        return "\x93\xFC\x97\xCD\x92l\x82\xAA\x90\x94\x92l\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1";
    default: return PlatformMessage(code);
    }
}

int InOutCodeFromErrno(int error)
{
    switch (error) {
    case ENOENT: return 2;
    case ENAMETOOLONG:
    case ENOTDIR:
    case ELOOP: return 3;
    case EMFILE:
    case ENFILE: return 4;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return 5;
    case ENOSPC: return 101;
    default: return 0;
    }
}

EInOutError::EInOutError(int code) : EHarvikError(InOutMessage(code)), FCode(code) {}

EInOutError EInOutError::FromErrno(int error)
{
    const int code = InOutCodeFromErrno(error);
    return code != 0 ? EInOutError(code) : EInOutError(error, PlatformMessage(error));
}

EListIndexError::EListIndexError(int index)
    // リストのインデックスが範囲を超えています (index)
    : EHarvikError("\x83\x8A\x83X\x83g\x82\xCC\x83" "C\x83\x93\x83" "f\x83" "b\x83N\x83X\x82\xAA\x94\xCD\x88\xCD\x82\xF0"
                   "\x92\xB4\x82\xA6\x82\xC4\x82\xA2\x82\xDC\x82\xB7 (" + std::to_string(index) + ")"),
      FIndex(index)
{
}
