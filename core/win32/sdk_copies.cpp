// The portable code builds without <windows.h>, so it carries copies of the
// Windows values it needs. Here the compiler ties each copy to the SDK's own,
// and each English resource id to its Japanese one: a mistyped copy fails the
// build instead of a call at run time.
#include <windows.h>

#include <cstdint>

#include "core/apply.h"
#include "core/registry.h"
#include "res/resource.h"
#include "ui/language.h"

namespace tessary {

static_assert(sdk::ErrorSuccess == ERROR_SUCCESS);
static_assert(sdk::ErrorFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(sdk::ErrorAccessDenied == ERROR_ACCESS_DENIED);
static_assert(sdk::ErrorInvalidHandle == ERROR_INVALID_HANDLE);
static_assert(sdk::ErrorMoreData == ERROR_MORE_DATA);
static_assert(sdk::ErrorNoMoreItems == ERROR_NO_MORE_ITEMS);
static_assert(sdk::ErrorKeyDeleted == ERROR_KEY_DELETED);

static_assert(sdk::KeyQueryValue == static_cast<std::uint32_t>(KEY_QUERY_VALUE));
static_assert(sdk::Delete == static_cast<std::uint32_t>(DELETE));
static_assert(sdk::KeyRead == static_cast<std::uint32_t>(KEY_READ));
static_assert(sdk::KeyWrite == static_cast<std::uint32_t>(KEY_WRITE));

static_assert(sdk::RegSz == REG_SZ);
static_assert(sdk::RegExpandSz == REG_EXPAND_SZ);
static_assert(sdk::RegBinary == REG_BINARY);
static_assert(sdk::RegDword == REG_DWORD);
static_assert(sdk::RegMultiSz == REG_MULTI_SZ);

static_assert(MbOk == MB_OK);
static_assert(MbYesNo == MB_YESNO);
static_assert(IdYes == IDYES);
static_assert(IdNo == IDNO);

static_assert(JapaneseLanguageId == MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN));
static_assert(JapaneseOffset == 0);

static_assert(IdsConfirmChange == IDS_CONFIRM_CHANGE);
static_assert(IdsChangeSucceeded == IDS_CHANGE_SUCCEEDED);
static_assert(IdsChangeFailed == IDS_CHANGE_FAILED);

static_assert(IDD_MAIN_EN == IDD_MAIN + EnglishOffset);
static_assert(IDS_APP_NAME_EN == IDS_APP_NAME + EnglishOffset);
static_assert(IDS_COLUMN_NAME_EN == IDS_COLUMN_NAME + EnglishOffset);
static_assert(IDS_COLUMN_STATUS_EN == IDS_COLUMN_STATUS + EnglishOffset);
static_assert(IDS_COLUMN_ACTION_EN == IDS_COLUMN_ACTION + EnglishOffset);
static_assert(IDS_CONFIRM_CHANGE_EN == IDS_CONFIRM_CHANGE + EnglishOffset);
static_assert(IDS_CHANGE_SUCCEEDED_EN == IDS_CHANGE_SUCCEEDED + EnglishOffset);
static_assert(IDS_CHANGE_FAILED_EN == IDS_CHANGE_FAILED + EnglishOffset);
static_assert(IDS_STATUS_DUPLICATE_EN == IDS_STATUS_DUPLICATE + EnglishOffset);
static_assert(IDS_STATUS_DELETE_EN == IDS_STATUS_DELETE + EnglishOffset);
static_assert(IDS_STATUS_RENAME_EN == IDS_STATUS_RENAME + EnglishOffset);

}  // namespace tessary
