// Prints how much CPU the launcher's window thread uses during a server status
// query, which waits 1.5 seconds for the reply while the thread's message
// loop goes on, as the program's own does. The loopback server answering it runs on a thread of its own and is
// left out of the launcher's figure.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench/files.h"
#include "bench/machine.h"
#include "common/win/message_box.h"
#include "common/win/wait.h"
#include "launcher/win/main_controls.h"
#include "launcher/win/main_window.h"
#include "tests/udp_test_server.h"

namespace {

struct Figures {
  double threadShare = 0, processShare = 0, wallMs = 0;
};

// Mean over runs queries of the server in the server field.
Figures Measure(MainWindow& main, int runs) {
  Figures f;
  for (int i = 0; i < runs; ++i) {
    const double thread0 = ThreadCpuSeconds(), process0 = ProcessCpuSeconds();
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    main.QueryServerStatus();
    while (main.Querying()) {
      MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
      PumpPendingEvents();
    }
    QueryPerformanceCounter(&end);
    const double wall = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    f.threadShare += 100.0 * (ThreadCpuSeconds() - thread0) / wall / runs;
    f.processShare += 100.0 * (ProcessCpuSeconds() - process0) / wall / runs;
    f.wallMs += 1000.0 * wall / runs;
  }
  return f;
}

// The launcher's figure is its window thread, which runs the query and its
// wait; the process figure adds the answering server's thread.
void Rows(const char* what, const Figures& f, const std::string& machine) {
  BenchRow(std::string("CPU during the status wait, ") + what + ", launcher thread", Figure("%.2f %% of wait", f.threadShare),
           "< 5 % of the wait", machine);
  BenchRow(std::string("  the same, whole process (") + Figure("%.0f ms", f.wallMs) + " wall)",
           Figure("%.2f %% of wait", f.processShare), "report", machine);
}

}  // namespace

int main() {
  SetAppTitle("Kestrun");
  // A message box means the launcher stopped short (a game console running);
  // under a probe nobody would answer it.
  std::string message;
  SetMessageHook([&](const std::string& text, const std::string&, unsigned) {
    message = text;
    return IDOK;
  });
  // A folder of its own: no list files of other runs beside the launcher.
  const std::string folder = TempFolderPath() + "kestrun_status_probe";
  MakeFolder(folder);
  UdpTestServer server;
  server.SetReply(std::string("\xFF\xFF\xFF\xFFstatusResponse\n") +
                  "\\sv_maxclients\\20\\timelimit\\25\\fraglimit\\0\\g_gametypestring\\Objective\\mapname\\obj/"
                  "obj_team2\\sv_maplist\\obj/obj_team1 obj/obj_team2\n12 48 \"Sgt Baker\"\n");
  MainWindow main(folder);
  if (!server.Ok()) return MeasuredNothing("no loopback server to answer the query");
  if (!main.Create()) return MeasuredNothing("the launcher's window could not be made");
  main.StartUp();
  if (!message.empty()) return MeasuredNothing("the launcher's start-up showed \"" + message + "\"");
  main.Show(SW_SHOWNOACTIVATE);
  constexpr int kRuns = 5;
  main.SetFieldText(serverField, "127.0.0.1:" + std::to_string(server.Port()));
  const Figures answered = Measure(main, kRuns);
  const bool filled = !main.FieldText(mapField).empty();
  server.SetReply("");
  const Figures silent = Measure(main, kRuns);

  main.Close();
  if (!filled) return MeasuredNothing("the reply did not fill the status display");
  // Each query waits 1.5 s by design; a shorter one did not wait at all.
  if (answered.wallMs < 1400 || silent.wallMs < 1400) return MeasuredNothing("the queries did not wait for a reply");
  const std::string machine = MachineName();
  Rows("server answers at once", answered, machine);
  Rows("server does not answer", silent, machine);
  return 0;
}
