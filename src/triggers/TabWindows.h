// Tab windows: the small squares at screen corners and edges that open a
// tab trigger's menu.
#pragma once

#include "platform/Events.h"
#include "platform/MacTypes.h"

class ScreenMenu;

void CreateTabWindow(ScreenMenu* tab, const Rect* bounds);
void PlaceTabWindow(ScreenMenu* tab);   // the work of ScreenMenu::PlaceTab
void PlaceAllTabs();
void DrawTab(ScreenMenu* tab, bool highlighted);
OSStatus TabPaintHandler(EventHandlerCallRef callRef, EventRef event, void* tab);
