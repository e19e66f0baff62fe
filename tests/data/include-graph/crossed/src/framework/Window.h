#include "profile/Record.h"
