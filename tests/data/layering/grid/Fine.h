#pragma once

#include "platform/ui/ListCtrl.h"
