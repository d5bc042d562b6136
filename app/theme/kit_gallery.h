// Every kit component in each of its states, on the panel colour: the kit's visual check.
// The content is a palette host; one bare button outside it has no host at all.
#pragma once

#include <QWidget>

#include "theme/empty_state.h"
#include "theme/hairline.h"
#include "theme/icon_button.h"
#include "theme/kit_button.h"
#include "theme/kit_field.h"
#include "theme/kit_label.h"
#include "theme/panel_header.h"
#include "theme/section_label.h"
#include "theme/sidebar_row.h"
#include "theme/split_handle.h"
#include "theme/stat_figure.h"
#include "theme/status_bar.h"
#include "theme/status_pill.h"
#include "theme/underline_tabs.h"

namespace zx::theme {

class KitGallery : public QWidget {
 public:
  explicit KitGallery(QWidget* parent = nullptr);

  // Sends the pointer into the components shown hovered and focuses the focused field;
  // the hover and focus looks then ease in over 0.12 s. Needs the gallery shown.
  void enterStates();

  QWidget* content;  // the palette host
  KitButton* bare;   // outside every host: stays light

  KitButton* buttonNormal;
  KitButton* buttonHovered;
  KitButton* buttonPrimary;
  KitButton* buttonPrimaryDisabled;
  KitButton* buttonDestructive;
  KitButton* buttonIcon;
  IconButton* iconNormal;
  IconButton* iconHovered;
  IconButton* iconActive;
  IconButton* iconActiveHovered;
  KitField* fieldEmpty;
  KitField* fieldText;
  KitField* fieldFocused;
  PanelHeader* header;
  UnderlineTabs* tabs;
  SidebarRow* rowSelected;
  SidebarRow* rowPlain;
  SidebarRow* rowHovered;
  SidebarRow* rowLong;
  SectionLabel* section;
  StatusPill* pillNeutral;
  StatusPill* pillAccent;
  StatusPill* pillGood;
  StatusPill* pillBad;
  StatusPill* pillWarn;
  StatFigure* figures[3];
  EmptyState* emptySymbol;
  EmptyState* emptyIcon;
  SplitHandle* handle;
  QWidget* handleLeft;
  QWidget* handleRight;
  VerticalSplit* split;
  Hairline* hairlineSoft;
  Hairline* hairlinePlain;
  StatusBar* statusBar;
};

}  // namespace zx::theme
