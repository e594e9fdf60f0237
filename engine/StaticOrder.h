// The program's static objects are built in a fixed order across translation units,
// configuration globals first, then the engine's, then the application's, and
// destroyed in reverse. Within one group, declaration order in one file holds.
#pragma once

#define STATIC_ORDER_CONFIG __attribute__((init_priority(1001)))
#define STATIC_ORDER_ENGINE __attribute__((init_priority(1002)))
#define STATIC_ORDER_APPLICATION __attribute__((init_priority(1003)))
