// The lwhost commands: each one's name, summary and help text, and the function that runs it.
#include "cli.h"

namespace lwhost::cli {

namespace {

const char kServersHelp[] =
    "usage: lwhost servers [--module PATH]\n\n"
    "Loads the module, calls its startup and prints its server records in order:\n"
    "position, class, server name and tags (code:\"text\").\n\n"
    "Options:\n"
    "  --module PATH   module to load (default: lumavex.p next to lwhost)\n";

const char kRenderHelp[] =
    "usage: lwhost render SCENE -o OUT.png|OUT.exr [OPTIONS]\n\n"
    "Loads the module and the scene with its plug-ins and renders it through the scene's\n"
    "camera: master plug-ins hear the render start and end, shaders and surface node graphs\n"
    "run for every sample. A progress bar shows on a terminal; a summary line ends the "
    "run.\n\n"
    "Options:\n"
    "  -o, --output OUT.png  image to write, PNG or (OUT.exr) OpenEXR (temporary file, then\n"
    "                        renamed; a link is followed, a directory, device or pipe\n"
    "                        refused, and so is a file the render reads, or an extension\n"
    "                        other than .png and .exr);\n"
    "                        a run of '#' in the file name takes the padded frame number;\n"
    "                        DIR/ names the images after the scene (DIR/SCENE.png)\n"
    "  --frame N             frame to render (default: the scene's first)\n"
    "  --frames A-B          render frames A to B as one render, to OUT_0001.png, ...\n"
    "  --pass NAME=PRESET    after the scene as loaded (pass \"scene\"), render it again\n"
    "                        with PRESET loaded into its master plug-in, to\n"
    "                        DIR/SCENE_NAME.png; PRESET is a name the master's Presets\n"
    "                        menu lists, or a settings file (a path with '/' or .cfg);\n"
    "                        with OUT.exr each pass is a layer of one file per frame\n"
    "  --depth D             8 or 16 bits per channel for PNG (default 8), half or float\n"
    "                        for EXR (default half); EXR holds linear, unclamped values\n"
    "  --alpha               PNG with alpha: the pixel's coverage by geometry (EXR always)\n"
    "  -e STATEMENT          a script statement run after the scene loads and, for each\n"
    "                        pass, after its preset is loaded (repeatable; nothing saved)\n"
    "  --script FILE         a script's statements, likewise, before the -e ones\n"
    "  --add-shaders         put the master's shader on every surface for this render, as\n"
    "                        its \"Add All Shaders\" does (the scene file is not changed);\n"
    "                        without it, a master whose shader no surface carries is\n"
    "                        warned about\n"
    "  --width W, --height H image size in pixels (default 640x480; 1..8192)\n"
    "  --samples N           camera samples per pixel (default 1; 1..4096)\n"
    "  --threads N           render threads (default: one per processor)\n"
    "  --module PATH         module to load (default: lumavex.p next to lwhost)\n\n"
    "Exit status: 0 success; 1 a plug-in failed the render, memory ran out, or an image or\n"
    "standard output could not be written; 2 a bad command line, module, scene, frame,\n"
    "pass or output path (nothing written).\n";

const char kInfoHelp[] =
    "usage: lwhost info SCENE [--frame N] [--graph-dot FILE] [-e STATEMENT]...\n"
    "                  [--script FILE]... [--module PATH]\n\n"
    "Loads the module and the scene with its plug-ins, as run and render do, and prints\n"
    "its items as a hierarchy (IDs, types, comments), its objects (file, points, polygons,\n"
    "weight maps), surfaces (settings, shaders), lights, cameras, frame range and master\n"
    "plug-ins with the settings they hold. A bad scene prints FILE:LINE: and the problem,\n"
    "and exits with status 2.\n\n"
    "Options:\n"
    "  --frame N       also step the scene to frame N and list every node graph's nodes with\n"
    "                  what each selection, light group and comment node built\n"
    "  --graph-dot FILE  also write every node graph (the override's, each surface's own)\n"
    "                  to FILE in Graphviz's DOT language (dot -Tsvg FILE draws it)\n"
    "  -e STATEMENT    a script statement run on the loaded scene before it is listed\n"
    "                  (repeatable; nothing is saved)\n"
    "  --script FILE   a script's statements, likewise, before the -e ones\n"
    "  --module PATH   module to load (default: lumavex.p next to lwhost)\n";

const char kRunHelp[] =
    "usage: lwhost run SCENE SCRIPT [-o OUT] [--module PATH]...\n\n"
    "Loads the modules and the scene, creates the scene's plug-in instances and runs the\n"
    "script: one statement per line, '#' comments, texts in double quotes. Verbs (all of\n"
    "them in docs/reference.md; the graph verbs in docs/scripting-graphs.md):\n"
    "  command \"LINE\"                 run a host command line (must answer OK)\n"
    "  generic NAME                   run a LayoutGeneric server\n"
    "  panel open CLASS POSITION      open a plug-in's panel: MasterHandler N,\n"
    "                                 ShaderHandler N, NodeHandler NODE\n"
    "  panel set CONTROL VALUE...     set a control (label, or ID as a number)\n"
    "  panel click CONTROL            hit a button\n"
    "  panel popcmd CONTROL ITEM      choose a command pop-up's item (index or text)\n"
    "  panel items CONTROL            list a pop-up's items with their indices\n"
    "  panel print, panel close       print or close the open panel\n"
    "  panel save-png PATH, panel print-classic   the last classic panel's image or text\n"
    "  save [PATH]                    save the scene (default: the -o path)\n"
    "  print \"TEXT\"                   print a line\n"
    "  set alert-level N, set directory TYPE PATH   what plug-ins are told\n"
    "  queue click LIST ROW [shift|ctrl|alt], queue press BUTTON, queue wait MS,\n"
    "  queue answer ok|cancel|yes|no, queue file PATH, queue file-cancel,\n"
    "  queue form-set CONTROL VALUE..., queue form-press BUTTON, queue form-ok,\n"
    "  queue form-cancel, queue save-png PATH, queue print, queue clear\n"
    "                                 the user's actions at modal panels and dialogs\n"
    "  graph surface SURFACE, graph state on|off, graph add SERVER NAME,\n"
    "  graph remove NODE, graph rename NODE NEW-NAME,\n"
    "  graph connect NODE OUTPUT TO-NODE INPUT, graph root NODE OUTPUT ROOT-INPUT,\n"
    "  graph disconnect NODE INPUT, graph unroot ROOT-INPUT,\n"
    "  graph set NODE SETTING NUMBER..., graph list, graph print [--dot]\n"
    "                                 edit or show the open node editor's graph\n"
    "  node set NODE CONTROL VALUE...  open a node's panel and set one of its controls\n"
    "  explain FRAME                  what each selection node selects at FRAME\n"
    "  expect command-count N, expect last-command \"LINE\", expect status \"TEXT\",\n"
    "  expect message \"TEXT\", expect panel-value CONTROL VALUE..., expect masters N,\n"
    "  expect shaders SURFACE N, expect dialog KIND \"TITLE\" [\"TEXT\"], expect dialogs N,\n"
    "  expect file-request \"TITLE\" \"PATH\"|cancelled, expect queue-empty,\n"
    "  expect connection NODE OUTPUT TO-NODE INPUT, expect root NODE OUTPUT ROOT-INPUT,\n"
    "  expect node-value NODE SETTING NUMBER..., expect graph-nodes N,\n"
    "  expect selection FRAME \"NODE\" [\"MEMBER\"...]\n"
    "                                 fail the run unless it is so\n\n"
    "Options:\n"
    "  -o, --output OUT  save the scene there after a successful run (temporary file,\n"
    "                    then renamed; a link is followed, a directory, device or pipe\n"
    "                    refused before the run, and so is a file the run reads: the\n"
    "                    scene, the script, a module, the configuration)\n"
    "  --module PATH     module to load; repeatable (default: lumavex.p next to lwhost)\n\n"
    "Exit status: 0 success; 1 a statement failed (SCRIPT:LINE: why), queued actions\n"
    "were left unused, or the scene or standard output could not be written; 2 a bad\n"
    "command line, output path, script (SCRIPT:LINE: why), module or scene\n"
    "(SCENE:LINE: why).\n";

}  // namespace

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"servers", "list the server records of a plug-in module", kServersHelp, &runServers},
        {"render", "render a scene's frames to PNG or EXR images", kRenderHelp, &runRender},
        {"info", "describe a scene: items, objects, surfaces, lights, plug-ins, selections",
         kInfoHelp, &runInfo},
        {"run", "load a scene with its plug-ins, run a script against it, save it", kRunHelp,
         &runScript},
    };
    return table;
}

}  // namespace lwhost::cli
