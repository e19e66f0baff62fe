// The exceptions of the program: the portable platform exception classes and the
// CXException family with its message tables. Include this one header.
#pragma once

#include "errors/DescribeException.h"
#include "errors/PlatformExceptions.h"
#include "errors/XException.h"
