#include "Local.h"
#include "engine/Engine.h"
