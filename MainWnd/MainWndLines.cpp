// The main window's line selection and acceleration start: the three line
// options, their confirmation, the start on a worker thread and its
// outcome, the watch on the running local proxy, the options' quality
// figures with the suggested line, and the status strip.
#include "MainWnd/MainWnd.h"

#include "MainWnd/LineSuggestion.h"
#include "MainWnd/StatusStripText.h"
#include "outside/local/StatusSocketPath.h"
#include "system/WriteLogFile.h"
#include "uiframework/controls/OptionUI.h"

namespace {

constexpr const wchar_t* kLineOptions[] = {L"Line1_pot", L"Line2_pot", L"Line3_pot"};
constexpr const wchar_t* kConfirmTexts[] = {L"确定使用线路一？", L"确定使用线路二？", L"确定使用线路三？"};
constexpr wchar_t kStartFailedText[] = L"连接线路失败，请切换线路或重启尝试！";
// The mark of the suggested line, after its figure.
constexpr wchar_t kSuggestedMark[] = L"{c #FF1FDCC6}推荐{/c}";

bool IsLine(UINT_PTR line) { return line >= 1 && line <= 3; }

// A process id travels as the pointer argument of a queued call.
void* ProxyIdArgument(DWORD id) { return reinterpret_cast<void*>(static_cast<uintptr_t>(id)); }
DWORD ProxyIdOf(void* argument) { return static_cast<DWORD>(reinterpret_cast<uintptr_t>(argument)); }

}  // namespace

SkinUI::COptionUI* CMainWnd::LineOption(int line) const {
  SkinUI::CControlUI* const options[] = {m_pLine1, m_pLine2, m_pLine3};
  if (!IsLine(static_cast<UINT_PTR>(line)) || options[line - 1] == nullptr) return nullptr;
  return static_cast<SkinUI::COptionUI*>(options[line - 1]->FindInterface(L"Option"));
}

void CMainWnd::BindLines() {
  SkinUI::CControlUI** const options[] = {&m_pLine1, &m_pLine2, &m_pLine3};
  for (int i = 0; i < 3; ++i) {
    *options[i] = FindNamed(kLineOptions[i]);
    if (*options[i] == nullptr) continue;
    (*options[i])->SetTag(1);
    m_lineNames[i] = (*options[i])->GetText().GetData();
  }
  if (!m_seams.lineTargets.empty() && m_latencyProbe == nullptr) {
    m_latencyProbe = std::make_unique<CLineLatencyProbe>(m_seams.lineTargets, *m_lines, m_seams.latencyTiming,
                                                         m_seams.probeClock);
    m_shown = ::IsWindowVisible(m_hWnd) != FALSE;
    m_iconic = ::IsIconic(m_hWnd) != FALSE;
    OnSeenChanged();
  }
}

// ---- Choosing a line

void CMainWnd::OnLineChosen(int line) {
  if (m_exiting) return;
  const int answer = m_seams.boxes.Ask(m_hWnd, kConfirmTexts[line - 1], 2, L"确定", L"取消");
  if (m_exiting) return;
  if (answer == 1) {
    for (SkinUI::CControlUI* option : {m_pLine1, m_pLine2, m_pLine3})
      if (option != nullptr) option->SetTag(static_cast<UINT_PTR>(line));
    StartLine(line);
    return;
  }
  // Declined: the selection goes back to the current line, silently, and
  // acceleration is left as it is.
  SkinUI::COptionUI* chosen = LineOption(line);
  if (chosen == nullptr) return;
  chosen->Selected(false, false);
  const UINT_PTR current = chosen->GetTag();
  if (IsLine(current) && current != static_cast<UINT_PTR>(line))
    if (SkinUI::COptionUI* previous = LineOption(static_cast<int>(current))) previous->Selected(true, false);
}

void CMainWnd::StartLine(int line) {
  if (m_exiting) return;
  if (m_pLoading != nullptr) m_pLoading->SetVisible(true);
  if (m_pBrowser != nullptr) m_pBrowser->SetVisible(false);
  // What ends here is ours: the watch goes first, so that the end of the
  // running local proxy is not taken for a failure.
  m_proxyWatch.Stop();
  const std::uint64_t ticket = m_seams.acceleration->PrepareStart();
  const int generation = ++m_startGeneration;
  m_lineState = LineState::Starting;
  UpdateStatusWatch();
  g_logFile.WriteFormat(__FILE__, __LINE__, L"开始加速线路%d", line);
  unsigned id = 0;
  const uintptr_t handle =
      CLineRelay::StartAccelThread(m_lines, m_seams.acceleration, line, generation, ticket, &id);
  if (handle == 0) {
    g_logFile.WriteText(__FILE__, __LINE__, L"加速线程无法启动");
    FailLine();
    return;
  }
  RegisterThread(id, reinterpret_cast<HANDLE>(handle));
}

void CMainWnd::StartFirstLine(int, void*) { StartLine(1); }

// ---- Outcomes, on the user-interface thread

void CMainWnd::ShowPortal() {
  if (m_pLoading != nullptr) m_pLoading->SetVisible(false);
  if (m_pBrowser != nullptr) m_pBrowser->SetVisible(true);
}

void CMainWnd::OnAccelSucceeded(int generation, void* proxyId) {
  // An outcome of a superseded start changes nothing.
  if (generation != m_startGeneration || m_lineState != LineState::Starting) return;
  g_logFile.WriteText(__FILE__, __LINE__, L"加速成功");
  m_lineState = LineState::Accelerating;
  ShowPortal();
  UpdateStatusWatch();
  const bool watched = m_proxyWatch.Start(ProxyIdOf(proxyId), [relay = m_lines.get(), generation] {
    relay->ProxyEnded(generation);
  });
  if (!watched) g_logFile.WriteFormat(__FILE__, __LINE__, L"无法监视本地代理进程 %lu", ProxyIdOf(proxyId));
}

void CMainWnd::OnAccelFailed(int generation, void*) {
  if (generation != m_startGeneration || m_lineState != LineState::Starting) return;
  FailLine();
}

void CMainWnd::OnProxyEnded(int generation, void*) {
  if (generation != m_startGeneration || m_lineState != LineState::Accelerating) return;
  g_logFile.WriteText(__FILE__, __LINE__, L"本地代理进程已结束，加速中断");
  FailLine();
}

void CMainWnd::FailLine() {
  m_lineState = LineState::Failed;
  m_proxyWatch.Stop();
  UpdateStatusWatch();
  m_seams.acceleration->Stop();
  ShowPortal();
  // The option tags and the selection stay on the line that failed.
  m_seams.boxes.Ask(m_hWnd, kStartFailedText, 1, L"确定", L"取消");
}

// ---- Quality figures and the status strip

void CMainWnd::OnSeenChanged() {
  if (m_latencyProbe != nullptr) {
    if (IsSeen())
      m_latencyProbe->Start();
    else
      m_latencyProbe->Stop();
  }
  UpdateStatusWatch();
}

void CMainWnd::OnQualityChanged(int, void*) {
  const std::vector<LineQuality> figures = m_lines->Qualities();
  const int suggested = SuggestLine(figures);
  SkinUI::CControlUI* const options[] = {m_pLine1, m_pLine2, m_pLine3};
  for (size_t i = 0; i < 3 && i < figures.size(); ++i) {
    if (options[i] == nullptr || !figures[i].Measured()) continue;
    std::wstring text = m_lineNames[i] + L"  " + LineFigureText(figures[i]);
    if (static_cast<int>(i) == suggested) text += std::wstring(L"  ") + kSuggestedMark;
    options[i]->SetText(text.c_str());
    options[i]->SetToolTip(LineQualityTip(figures[i]).c_str());
  }
}

void CMainWnd::UpdateStatusWatch() {
  const bool wanted = m_lineState == LineState::Accelerating && IsSeen() && m_pStatusLab != nullptr;
  if (wanted == m_statusWatch->IsRunning()) return;
  if (wanted) {
    m_lines->BeginStatusWatch();
    const std::string path =
        m_seams.statusSocket.empty() ? StatusSocketPath(StatusDirectory()) : m_seams.statusSocket;
    if (!m_statusWatch->Start(path)) g_logFile.WriteText(__FILE__, __LINE__, L"状态线程无法启动");
    return;
  }
  // Stopped first: nothing of this watch reaches the strip afterwards.
  m_statusWatch->Stop();
  m_lines->BeginStatusWatch();
  if (m_pStatusLab != nullptr) m_pStatusLab->SetText(m_slogan.c_str());
}

void CMainWnd::OnStatusChanged(int, void*) {
  if (m_pStatusLab == nullptr || !m_statusWatch->IsRunning()) return;
  const std::optional<ProxyStatus> status = m_lines->LatestStatus();
  m_pStatusLab->SetText(status ? StatusStripText(*status).c_str() : m_slogan.c_str());
}

void CMainWnd::StopLineWatches() {
  m_proxyWatch.Stop();
  if (m_latencyProbe != nullptr) m_latencyProbe->Stop();
  m_statusWatch->Stop();
}

// ---- Reports from the workers, queued for the user-interface thread

void CMainWnd::QueueAccelSucceeded(int generation, DWORD proxyId) {
  PostCall(m_postTarget, &CMainWnd::OnAccelSucceeded, generation, ProxyIdArgument(proxyId));
}
void CMainWnd::QueueAccelFailed(int generation) {
  PostCall(m_postTarget, &CMainWnd::OnAccelFailed, generation, nullptr);
}
void CMainWnd::QueueProxyEnded(int generation) {
  PostCall(m_postTarget, &CMainWnd::OnProxyEnded, generation, nullptr);
}
void CMainWnd::QueueQualityChanged() { PostCall(m_postTarget, &CMainWnd::OnQualityChanged, 0, nullptr); }
void CMainWnd::QueueStatusChanged() { PostCall(m_postTarget, &CMainWnd::OnStatusChanged, 0, nullptr); }
