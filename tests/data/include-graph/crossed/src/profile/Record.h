#include "support/Strings.h"
