#include "../errors/Errors.h"
#include "archive/Archive.h"
