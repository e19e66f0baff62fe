#include "profile/Record.h"
#include "support/Strings.h"
