// The install and uninstall scenes share one shape: each runs one job on a worker
// thread, shows a heading and two progress lines while it runs, swaps them for three
// result lines once the worker has written its status, and goes back to the menu on
// the first input event after that. A Run type names what differs between them:
//
//   kId          the scene id
//   kSection     the section of the text table
//   kFootText    index of the line under the result
//   kNoThread    the status shown when the worker thread cannot be started
//   Status()     the status integer the worker writes (0 while it runs)
//   Worker       the worker procedure
#pragma once

#include <cstdint>
#include <string>

#include "engine/Config.h"
#include "engine/Font.h"
#include "engine/Image.h"
#include "engine/Label.h"
#include "engine/Scene.h"
#include "engine/Texture.h"
#include "installer/DeviceLink.h"
#include "installer/InstallWorkers.h"
#include "installer/ResourcePacks.h"
#include "installer/SceneFurniture.h"
#include "platform/win32/threads.h"

template <typename Run>
class CSceneWorkerRun : public CTScene {
 public:
  CSceneWorkerRun() = default;
  // The worker is left alone: it ends by itself, and at exit it ends with the process.
  ~CSceneWorkerRun() override = default;

  void Initialize() override;
  void Shutdown() override {}
  void Enter() override;
  void Leave() override;
  void Update() override;
  SceneId GetId() override { return Run::kId; }
  SceneId GetNextScene() override { return static_cast<SceneId>(nextScene); }
  void OnEvent(CTEvent event) override;

  const CTCLabel& GetResultHeadLabel() const { return resultHeadLabel; }
  const CTCLabel& GetResultLabel() const { return resultLabel; }
  const CTCLabel& GetFootLabel() const { return footLabel; }

 private:
  static std::wstring Text(std::int32_t index) { return LookupText(Run::kSection, index); }
  void ShowRunning();
  void ShowResult(std::int32_t status);

  std::int32_t nextScene = NoScene;
  CTTexture backgroundTexture;
  CTCImage backgroundImage;
  CTFont font;
  CTCLabel headLabel;
  CTCLabel progressLabels[2];
  CTCLabel resultHeadLabel;
  CTCLabel resultLabel;
  CTCLabel footLabel;
  HANDLE workerThread = nullptr;
  DWORD workerThreadId = 0;
};

template <typename Run>
void CSceneWorkerRun<Run>::Initialize() {
  struct Line {
    CTCLabel* label;
    float y;
    float height;
    float scale;
  };
  const Line lines[] = {
      {&headLabel, 150, 50, 1.2f},       {&progressLabels[0], 250, 30, 0.5f}, {&progressLabels[1], 280, 30, 0.5f},
      {&resultHeadLabel, 170, 40, 0.9f}, {&resultLabel, 230, 40, 0.9f},      {&footLabel, 300, 30, 0.5f},
  };

  AddComponent(&backgroundImage);
  for (const Line& line : lines) AddComponent(line.label);
  CTScene::Initialize();

  ShowPictureAtOrigin(backgroundTexture, backgroundImage, g_CommonResourceFile, L"/Back");
  LoadSceneFont(font);

  headLabel.SetText(Text(0));
  progressLabels[0].SetText(Text(1));
  progressLabels[1].SetText(Text(2));
  resultHeadLabel.SetText(Text(3));
  resultLabel.SetText(std::wstring());
  footLabel.SetText(Text(Run::kFootText));
  for (const Line& line : lines) {
    line.label->SetFont(&font);
    line.label->SetScale(line.scale);
    line.label->SetAlignment(CTCLabel::Center);
    line.label->SetRect(0, line.y, 640, line.height);
  }
}

template <typename Run>
void CSceneWorkerRun<Run>::Enter() {
  // Both before the worker exists: a result of an earlier run must not show.
  nextScene = NoScene;
  Run::Status() = WorkerRunning;
  ShowRunning();
  // The worker uses the session opened here, on the UI thread.
  g_DeviceLink.Connect();

  // The previous worker wrote its final status before the scene could be left, so
  // its handle only names a finished thread.
  if (workerThread != nullptr) CloseHandle(workerThread);
  workerThread = CreateThread(nullptr, 0, Run::Worker, nullptr, 0, &workerThreadId);
  // Without a worker nothing would ever end the wait: report the run as failed.
  if (workerThread == nullptr) Run::Status() = Run::kNoThread;
  CTScene::Enter();
}

template <typename Run>
void CSceneWorkerRun<Run>::Leave() {
  g_DeviceLink.EndSession();
  CTScene::Leave();
}

template <typename Run>
void CSceneWorkerRun<Run>::Update() {
  const std::int32_t status = Run::Status();
  if (status != WorkerRunning) ShowResult(status);
  CTScene::Update();
}

template <typename Run>
void CSceneWorkerRun<Run>::OnEvent(CTEvent event) {
  // Any event at all once the worker is done; nothing leaves while it runs.
  if (Run::Status() != WorkerRunning) nextScene = MenuScene;
  CTScene::OnEvent(event);
}

template <typename Run>
void CSceneWorkerRun<Run>::ShowRunning() {
  headLabel.Show();
  progressLabels[0].Show();
  progressLabels[1].Show();
  resultHeadLabel.Hide();
  resultLabel.Hide();
  footLabel.Hide();
}

template <typename Run>
void CSceneWorkerRun<Run>::ShowResult(std::int32_t status) {
  resultLabel.SetText(Text(status));
  headLabel.Hide();
  progressLabels[0].Hide();
  progressLabels[1].Hide();
  resultHeadLabel.Show();
  resultLabel.Show();
  footLabel.Show();
}
