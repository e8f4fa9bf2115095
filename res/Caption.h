// The caption of the main dialog and of every message box of the program. A second copy finds
// the first one's windows by it, so start-up, dialog and patch run all take it from here.
#pragma once

inline constexpr char kPatchCaption[] = "NebuLark 5 Installation";

// One run at a time, across sessions and for both builds: a second copy would rewrite temp.bat
// and delete the CD copy that the first copy's setup is running from.
inline constexpr char kSingleInstanceMutex[] = "Global\\TavixTechnologies.NebuLark5.Install";
