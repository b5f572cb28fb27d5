// The UI_ procedures that the source generator emits into a program's module. Until the generator's own
// table is in the repository this is the list of its blocks; once editor/codegen/ defines
// QL_CODEGEN_PROCEDURES (name -> block), that table is the answer instead.
import fs from 'node:fs';
import path from 'node:path';

import { loadPage, repo } from '../page/jsdom-page.mjs';

const BLOCK_PROCEDURES = `UI_AVPlayerPause UI_AVPlayerPlay UI_AVPlayerSeek UI_AVPlayerSetSpeed UI_AVPlayerSetVolume UI_AVPlayerStop UI_Blur UI_CatchRenderedImage UI_ChangeElementId UI_ChartAddDataset UI_ChartAppendPoint UI_ChartGetData UI_ChartSetData UI_ChartSetOptions UI_ChartSetSeriesColors UI_ChartSetSliceColor UI_ChartSetType UI_ChartSetValue UI_CloseAccordion UI_CopyElement UI_DeleteElement UI_ElementExists UI_EmitCustomEvent UI_ExecuteJS UI_Focus UI_GetAnimationPosition UI_GetAnimationState UI_GetChecked UI_GetChildrenIds UI_GetElementAt UI_GetElementCount UI_GetEnabled UI_GetFirstChildId UI_GetImageRendered UI_GetLastChildId UI_GetListItem UI_GetListItems UI_GetPage UI_GetParentId UI_GetPivot UI_GetSelectedIndex UI_GetSelectedText UI_GetText UI_GetValue UI_GetVariable UI_GetVisible UI_Grid_AddRow UI_Grid_Clear UI_Grid_DeleteRow UI_Grid_GetRow UI_Grid_MoveRow UI_Grid_SetColumns UI_Grid_SetData UI_Grid_SetFilter UI_Grid_SetPagination UI_Grid_SetSearch UI_Grid_SetSort UI_Grid_UpdateRow UI_List_AddItem UI_List_Clear UI_List_GetCount UI_List_GetItems UI_List_MoveItemToList UI_List_MoveItem UI_List_RemoveItem UI_List_SortableEnable UI_MoveElementDown UI_MoveElementTo UI_MoveElementUp UI_OpenAccordion UI_PauseAnimation UI_PlayAnimation UI_ScrollContentPlay UI_ScrollContentRestart UI_ScrollContentStop UI_ScrollIntoView UI_SeekAnimation UI_Select_AddItem UI_Select_GetCount UI_ServerPort UI_SetActiveBgColor UI_SetActiveTrackColor UI_SetAutoHideMs UI_SetBgColor UI_SetBgImage UI_SetBorderColor UI_SetBorderRadiusEx UI_SetBorderRadius UI_SetCheckedBg UI_SetCheckedText UI_SetChecked UI_SetEnabled UI_SetFloatBottom UI_SetFloatLeft UI_SetFloatRight UI_SetFloatTop UI_SetFloatZ UI_SetFontFamily UI_SetFontSize UI_SetHeaderBgColor UI_SetHeaderTextColor UI_SetHeight UI_SetHoverBgColor UI_SetHoverTextColor UI_SetHref UI_SetIcon UI_SetImageFromMemory UI_SetImgFilter UI_SetImgFit UI_SetImgOffset UI_SetImgPosition UI_SetImgScale UI_SetInactiveTrackColor UI_SetListItems UI_SetMarginBottom UI_SetMarginLeft UI_SetMarginRight UI_SetMarginTop UI_SetMaxHeight UI_SetMaxWidth UI_SetMinHeight UI_SetMinWidth UI_SetPadding UI_SetPage UI_SetPivot UI_SetPlaceholder UI_SetReadOnly UI_SetRotation UI_SetSelectedIndex UI_SetSplitColor UI_SetSplitHoverColor UI_SetSrc2 UI_SetSrc UI_SetTextColor UI_SetText UI_SetTheme UI_SetThumbColor UI_SetTooltip UI_SetValue UI_SetVariable UI_SetVersion UI_SetVisible UI_SetWidth UI_ShowAlert UI_Speak UI_StopAnimation UI_ToggleClass UI_TriggerAnimation `.trim().split(/\s+/);

export async function emittedProcedures() {
  const dir = path.join(repo, 'editor/codegen');
  if (fs.existsSync(dir)) {
    const scripts = fs.readdirSync(dir).filter((f) => f.endsWith('.js')).sort().map((f) => 'editor/codegen/' + f);
    const page = await loadPage({ scripts: ['editor/shell/hooks.js', 'editor/shell/pending.js', ...scripts], html: '<!DOCTYPE html><body></body>',
      strict: false, console: 'none' });
    try {
      const table = page.run('typeof QL_CODEGEN_PROCEDURES === "object" ? Object.keys(QL_CODEGEN_PROCEDURES) : null');
      if (table) return new Set(table);
    } finally {
      page.close();
    }
  }
  return new Set(BLOCK_PROCEDURES);
}
