#pragma once

// drapewell-tool show FILE [--zoom N] [--transition EFFECT,SUBTYPE,DELAY,COUNT]
int ShowCommand(int argc, char** argv);
