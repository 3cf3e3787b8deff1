// Builders of the sheets of FormPageItem and of the window's fixed parts.
#pragma once

class QWidget;

namespace kdsp {

class Builder;

QWidget* BuildMusicSheet(Builder& b, QWidget* parent);   // sheet 0, page 0
QWidget* BuildMicSheet(Builder& b, QWidget* parent);     // sheet 1, page 1
QWidget* BuildEffectSheet(Builder& b, QWidget* parent);  // sheet 2, pages 4 and 5
QWidget* BuildOutputSheet(Builder& b, QWidget* parent, bool mainOutput);  // sheets 3 and 5
QWidget* BuildSystemSheet(Builder& b, QWidget* parent);  // sheet 7, page 10
QWidget* BuildDynEqSheet(Builder& b, QWidget* parent);   // sheet 8, page 2

QWidget* BuildTitleBar(Builder& b, QWidget* parent);     // Image2 with its three buttons
QWidget* BuildTopStrip(Builder& b, QWidget* parent);     // TopTileGrop
QWidget* BuildSharedArea(Builder& b, QWidget* parent);   // AdvPanel1: graph and toolbar

}  // namespace kdsp
