#!powershell

# Copyright: Velmora
# The Windows twin of terminals.py (win_terminals.py holds its documentation): runs copyloom.exe
# --json and decides changed from the plan or the changes it reports. Keep the two in step.

#AnsibleRequires -CSharpUtil Ansible.Basic
#Requires -Module Ansible.ModuleUtils.ArgvParser
#Requires -Module Ansible.ModuleUtils.CommandUtil

$module_options = @{
    options = @{
        copyloom = @{ type = 'path'; default = 'copyloom.exe' }
        kit = @{ type = 'path' }
        side = @{ type = 'str'; choices = 'provider', 'receiver', 'experts' }
        terminals = @{ type = 'list'; elements = 'str'; default = @('all') }
        state = @{ type = 'str'; choices = 'present', 'absent', 'status'; default = 'present' }
        chart = @{ type = 'bool' }
    }
    required_if = @(, @('state', 'present', @('side')))
    supports_check_mode = $true
}
$module = [Ansible.Basic.AnsibleModule]::Create($args, $module_options)
$state = $module.Params.state
$check_mode = $module.CheckMode
$installed_states = @('current', 'outdated', 'none')
$diff_marks = @{ add = '+'; remove = '-'; replace = '~'; patch = '~' }

$argv = [System.Collections.Generic.List[string]]@($module.Params.copyloom, '--json')
if ($module.Params.kit) { $argv.AddRange([string[]]@('--kit', $module.Params.kit)) }
if ($state -eq 'present') {
    $argv.AddRange([string[]]@('install', $module.Params.side))
    if ($null -ne $module.Params.chart) {
        $argv.Add($(if ($module.Params.chart) { '--chart' } else { '--no-chart' }))
    }
}
elseif ($state -eq 'absent') { $argv.Add('uninstall') }
else { $argv.Add('status') }
if ($check_mode -and $state -ne 'status') { $argv.Add('--dry-run') }
$terminals = @($module.Params.terminals)
if ($terminals.Count -eq 0 -or ($terminals.Count -eq 1 -and $terminals[0] -eq 'all')) {
    $argv.Add('--all')
}
else {
    # The terminals go last so a folder cannot pass for an option.
    $argv.Add('--')
    $argv.AddRange([string[]]$terminals)
}

$module.Result.cmd = $argv.ToArray()
try {
    $run = Run-Command -command (Argv-ToString -arguments $argv) -output_encoding_override 'utf-8'
}
catch {
    $module.FailJson("copyloom could not be started: $($_.Exception.Message)", $_)
}
$module.Result.stderr = $run.stderr
try {
    $result = $run.stdout | ConvertFrom-Json
}
catch {
    $result = $null
}
if ($null -eq $result) {
    # Bad usage, a missing program or a crash: there is no JSON to read.
    $text = if ($run.stderr) { $run.stderr } else { $run.stdout }
    $module.Result.exit = $run.rc
    $module.Result.rows = @()
    $module.Result.messages = @()
    $module.FailJson("copyloom gave no JSON (exit $($run.rc)): $($text.Trim())")
}

$rows = @($result.rows | Where-Object { $null -ne $_ })
$messages = @($result.messages | Where-Object { $null -ne $_ })
$module.Result.rows = $rows
$module.Result.messages = $messages
$module.Result.exit = $result.exit
$module.Result.changed = $false

$key = if ($check_mode) { 'plan' } else { 'changes' }
Function Get-RowChange($row) {
    if ($row.PSObject.Properties.Name -contains $key) { return , @($row.$key | Where-Object { $null -ne $_ }) }
    return $null
}

if ($state -ne 'status') {
    $known = @($rows | Where-Object { $null -ne (Get-RowChange $_) })
    if ($rows.Count -gt 0 -and $known.Count -eq 0) {
        # An older copyloom: without its plan there is no telling what changed.
        $module.FailJson("copyloom does not report what it changes; it needs --dry-run and the rows' plan and changes")
    }
    $diffs = @()
    foreach ($row in $known) {
        $changes = Get-RowChange $row
        if ($changes.Count -eq 0) { continue }
        $module.Result.changed = $true
        $lines = $changes | ForEach-Object {
            $mark = if ($diff_marks.ContainsKey($_.action)) { $diff_marks[$_.action] } else { $_.action }
            "  $mark $($_.path)"
        }
        $diffs += "$($row.folder)`n$($lines -join "`n")`n"
    }
    if ($module.DiffMode) { $module.Diff.prepared = $diffs -join '' }
}

# Status exits 1 when a terminal is not current, which is no failure.
$failed = $result.exit -ne 0
if ($state -eq 'status' -and $result.exit -eq 1 -and $messages.Count -eq 0) {
    $failed = @($rows | Where-Object { $installed_states -notcontains $_.installed }).Count -gt 0
}
if ($failed) {
    $handled = $rows | Where-Object { $_.state -or $_.installed }
    $lines = @($messages) + @($handled | ForEach-Object {
            $what = if ($_.state) { $_.state } else { $_.installed }
            "$($_.folder): $what"
        })
    $module.FailJson("copyloom failed: $($lines -join '; ')")
}
$module.ExitJson()
