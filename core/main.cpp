#include "video/display.h"

int main() {
    Display::instance();
    return 0;
}
