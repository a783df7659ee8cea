// The module's one record.
#include "platform/ModuleRecord.h"

ModuleRecord moduleRecord = {nullptr, 0, INVALID_HANDLE_VALUE, false};
