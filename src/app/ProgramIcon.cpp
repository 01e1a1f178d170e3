#include "ProgramIcon.h"

namespace {

// Drawn for this program in the 16-colour palette: a card with the red postal mark and a magnifying glass.
const char* const IconXpm[] = {
    "32 32 8 1",
    "  c None",
    "k c #000000",
    "w c #FFFFFF",
    "g c #808080",
    "r c #FF0000",
    "b c #000080",
    "a c #00FFFF",
    "o c #808000",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    " kkkkkkkkkkkkkkkkkkkkkkkk       ",
    " kwwwwwwwwwwwwwwwwwwwwwwkg      ",
    " kwwwwwwwwwwwwwwwwwwwwwwkg      ",
    " kwwwwwwwwwwwwwwwwwwwwwwkg      ",
    " kwwwrrrrrrrrrrrrrrwwwwwkg      ",
    " kwwwrrrrrrrrrrrrrrwwwwwkg      ",
    " kwwwwwwwwwwwwwwwwwwwwwwkg      ",
    " kwwwwwwwwwwwwwwwwwwwwwwkg      ",
    " kwwwrrrrrrrrrrrrrrwwwwwkg      ",
    " kwwwrrrrrrrrrrrrrrwwwwwkg      ",
    " kwwwwwwwwwrrwwwwwbbbbbbkg      ",
    " kwwwwwwwwwrrwwwbbbbbbbbbb      ",
    " kwwwwwwwwwrrwwwbbwwwaaabb      ",
    " kwwwwwwwwwrrwwbbwwwaaaaabb     ",
    " kwwwwwwwwwrrwwbbwwaaaaaabb     ",
    " kwwwwwwwwwrrwwbbwaaaaaaabb     ",
    " kwwwwwwwwwrrwwbbaaaaaaaabb     ",
    " kwwwwwwwwwrrwwbbaaaaaaaabb     ",
    " kwwwwwwwwwrrwwbbaaaaaaaabb     ",
    " kwwwwwwwwwwwwwwbbaaaaaabb      ",
    " kwwwwwwwwwwwwwwbbbbbbbbbb      ",
    " kwwwwwwwwwwwwwwwwbbbbbbkok     ",
    " kkkkkkkkkkkkkkkkkkkkkkkkkok    ",
    "  ggggggggggggggggggggggggkok   ",
    "                           kok  ",
    "                            kok ",
    "                             kok",
    "                              ko",
};

}  // namespace

QPixmap ProgramIconPixmap()
{
    return QPixmap(IconXpm);
}

QIcon ProgramIcon()
{
    return QIcon(ProgramIconPixmap());
}
