#include "core/foundation/Geometry.h"
