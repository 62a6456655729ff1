#pragma once
// The kit's stylers: TLumFormStyler gives every styled control of its form one colour scheme,
// TLumAppStyler gives one scheme to every form styler registered with it. Both can follow the
// desktop's look, choosing the scheme again whenever it changes.
#include <vector>

#include "controls/QorStyle.h"
#include "platform/gui/ThemeNotifier.h"

namespace orv {

class TLumAppStyler;

using TApplyStyleEvent = std::function<void(TObject* Sender, TComponent* AComponent, bool& Allow)>;

// The scheme that matches the desktop's look.
TQorStyle DesktopThemeStyle();

class TLumFormStyler : public TComponent {
  ORV_CLASS(TLumFormStyler, TComponent)

 public:
  explicit TLumFormStyler(TComponent* AOwner);
  ~TLumFormStyler() override;

  TQorStyle Style() const { return style_; }
  // A new style is applied to the owner's styled controls, except tsCustom; OnChange follows.
  void SetStyle(TQorStyle Value);
  bool AutoThemeAdapt() const { return autoThemeAdapt_; }
  void SetAutoThemeAdapt(bool Value);
  TLumAppStyler* AppStyle() const { return appStyle_; }
  void SetAppStyle(TLumAppStyler* Value);
  String Version() const { return "1.2.0.1"; }

  void Assign(TPersistent* Source) override;
  void Loaded() override;
  void ApplyStyle();
  // Chooses the desktop's scheme when AutoThemeAdapt is on.
  void ThemeChanged();

  TApplyStyleEvent OnApplyStyle;
  TNotifyEvent OnChange;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TQorStyle style_ = tsCustom;
  bool autoThemeAdapt_ = false;
  TLumAppStyler* appStyle_ = nullptr;
  TThemeNotifierWindow* notifier_ = nullptr;  // owned
};

class TLumAppStyler : public TComponent {
  ORV_CLASS(TLumAppStyler, TComponent)

 public:
  explicit TLumAppStyler(TComponent* AOwner);
  ~TLumAppStyler() override;

  TQorStyle Style() const { return style_; }
  // Passed on to every registered form styler.
  void SetStyle(TQorStyle Value);
  bool AutoThemeAdapt() const { return autoThemeAdapt_; }
  void SetAutoThemeAdapt(bool Value);
  String Version() const { return "1.2.0.1"; }

  void Assign(TPersistent* Source) override;
  void Loaded() override;
  void ThemeChanged();
  void RegisterFormStyler(TLumFormStyler* Styler);
  void UnregisterFormStyler(TLumFormStyler* Styler);

  TNotifyEvent OnChange;

 private:
  TQorStyle style_ = tsCustom;
  bool autoThemeAdapt_ = false;
  std::vector<TLumFormStyler*> stylers_;  // not owned
  TThemeNotifierWindow* notifier_ = nullptr;  // owned
};

}  // namespace orv
