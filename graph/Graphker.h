// The graph kernel in one include: axes, graph, canvas and its Qt adapter.
#pragma once

#include "graph/Canvas.h"
#include "graph/Enombre.h"
#include "graph/Etiquette.h"
#include "graph/Graphe.h"
#include "graph/Monde.h"
#include "graph/QPainterCanvas.h"
#include "graph/TexteMesurial.h"
