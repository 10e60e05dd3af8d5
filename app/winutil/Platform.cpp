#include "app/winutil/Platform.h"
