#include "errors/Errors.h"
