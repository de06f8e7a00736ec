# The source lists of the shared core and of the simulated storage library,
# read by the daemon's build (src/, simulator/) and by the extension agent's
# build (windows/) alike, so that a unit is listed once. Paths are absolute:
# the two builds include this file from different folders.
get_filename_component(KORVO_SOURCE_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

# Sets VAR to the units that follow, each in FOLDER of the source root.
function(korvo_units VAR FOLDER)
  list(TRANSFORM ARGN PREPEND ${KORVO_SOURCE_ROOT}/${FOLDER}/ OUTPUT_VARIABLE _units)
  set(${VAR} ${_units} PARENT_SCOPE)
endfunction()

# ---- The shared core -------------------------------------------------------

# Units that both deliverables compile: the definition store, the holder
# registry, the attribute access engine, the request dispatch and their helpers.
korvo_units(KORVO_CORE_SOURCES src
  RAIDMemAlloc.cpp
  AgentReport.cpp
  ConfigFile.cpp
  FindHolder.cpp
  snmpapi.cpp
  genpvkdispatch.cpp
  Zundfunc.cpp
  Zundsnmp.cpp
  WalkResume.cpp
  parseini.cpp
  parserecords.cpp
  parsepersist.cpp
  parseinifile.cpp
  parseoid.cpp
)

# The Linux daemon's own units: its side of the platform seam
# (AgentPlatform.h) with the profile reader it uses, its stand-ins for the
# platform's snmpapi, entry and lifecycle, the shared-memory channel, agent
# initialisation, trap destinations and the trap sender.
korvo_units(KORVO_CORE_LINUX_SOURCES src
  AgentPlatformLinux.cpp
  ProfileIni.cpp
  snmpapiLinux.cpp
  genpvkagent.cpp
  genpvkchannel.cpp
  genpvkinit.cpp
  genpvktrap.cpp
  genpvktrapdest.cpp
  TrapSession.cpp
  TrapSecrets.cpp
  TrapNotify.cpp
)

# The daemon's AgentX front end (-x), Linux only.
korvo_units(KORVO_CORE_AGENTX_SOURCES src
  agentxpdu.cpp
  agentxresponder.cpp
  genpvkagentx.cpp
)

# The extension agent's side of the platform seam (AgentPlatform.h).
korvo_units(KORVO_CORE_WINDOWS_SOURCES windows
  AgentPlatformWin.cpp
)

# ---- The simulated storage library -----------------------------------------

korvo_units(KORVO_SIM_SOURCES simulator
  korvosim.cpp
  CSimLibrary.cpp
  CSimHolder.cpp
  CSimStack.cpp
  CSimEventFactory.cpp
  CSimEventThread.cpp
  CSimCommand.cpp
  CSimInventory.cpp
)

# The Windows library's event thread waits on a Win32 event.
korvo_units(KORVO_SIM_WINDOWS_SOURCES simulator
  CSimEventThreadWin.cpp
)
