// The program's entry point: the framework runs the application object.
#include "framework/WinApp.h"

int main(int argc, char** argv) {
    return AfxWinMain(argc, argv);
}
