#include "gui/application.h"

int main(int argc, char* argv[])
{
    return tidemark::gui::runApplication(argc, argv);
}
