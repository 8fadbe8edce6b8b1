#pragma once

#include "platform/ColorRef.h"
