# Mail server used to send the codes: change these four lines for your site.
$SmtpServer = "smtp.example.com"
$SmtpPort   = 587
$UseTls     = $true
$MailFrom   = "otp-logon@example.com"

# Credentials for the mail server, or $null for a relay that accepts this
# computer without a login. Keep the password out of this file: save it once,
# as the account that runs the logon (SYSTEM on the logon screen), with
#   Get-Credential | Export-Clixml "<product folder>\smtp-credential.xml"
# and name that file here.
$SmtpCredentialFile = $null

# ---------------------------------------------------------------------------
# OtpDeliveryScript.ps1: example delivery script of the Velmo OTP key module.
#
# The module runs this script when the registry value "SMS-Gate" under
# HKLM\SOFTWARE\WOW6432Node\Velmo\OtpModule names it ("OtpDeliveryScript.ps1",
# the default). It starts it from the product folder ("VelmoPath") as
#
#   powershell.exe -file "<product folder>OtpDeliveryScript.ps1" <user> <code> <destination>
#
# in a hidden window, waits up to 12 seconds, and then reads the outcome
# that the script leaves in the registry value "PSStatus" under
# HKLM\Software\Velmo (32-bit view); if none is there yet it waits 8 seconds
# more. The text should contain the success marker "SMS-Gate-Success-Value"
# (" OK " by default) when the code went out, and "Error" when it did not.
# The module shows at most 190 characters of it.
#
# The arguments are separated by blanks and not quoted: user names with
# blanks cannot be told apart from the code here, so only the last two
# arguments are taken as code and destination. The code comes as a number
# (without leading zeros) and is shown to the user as six digits.
#
# PowerShell must be allowed to run the script, e.g. with
#   Set-ExecutionPolicy -Scope LocalMachine RemoteSigned
# and a signed copy of this file.
# ---------------------------------------------------------------------------

Set-StrictMode -Version 2.0
$ErrorActionPreference = "Stop"

$MailSubject = "Your logon code"
$SendTimeoutMs = 8000   # stay within the module's 12-second wait

function Get-VelmoKey {
    # The module keeps its settings in the 32-bit registry view.
    $base = [Microsoft.Win32.RegistryKey]::OpenBaseKey(
        [Microsoft.Win32.RegistryHive]::LocalMachine, [Microsoft.Win32.RegistryView]::Registry32)
    return $base.CreateSubKey("Software\Velmo")
}

function Get-SuccessMarker {
    $key = Get-VelmoKey
    try {
        $module = $key.OpenSubKey("OtpModule")
        if ($module) {
            $marker = [string]$module.GetValue("SMS-Gate-Success-Value", "")
            $module.Close()
            if ($marker.Trim()) { return $marker }
        }
        return " OK "
    } finally {
        $key.Close()
    }
}

function Set-DeliveryStatus([string]$Text) {
    $key = Get-VelmoKey
    try {
        $key.SetValue("PSStatus", $Text, [Microsoft.Win32.RegistryValueKind]::String)
    } finally {
        $key.Close()
    }
}

function Send-CodeByMail([string]$User, [string]$Code, [string]$Destination) {
    $body = "Hello $User,`r`n`r`nyour logon code is $Code.`r`n`r`nIf you did not try to log on, tell your administrator."
    $message = New-Object System.Net.Mail.MailMessage($MailFrom, $Destination, $MailSubject, $body)
    $client = New-Object System.Net.Mail.SmtpClient($SmtpServer, $SmtpPort)
    try {
        $client.EnableSsl = $UseTls
        $client.Timeout = $SendTimeoutMs
        if ($SmtpCredentialFile) {
            $client.Credentials = (Import-Clixml $SmtpCredentialFile).GetNetworkCredential()
        }
        $client.Send($message)
    } finally {
        $message.Dispose()
        $client.Dispose()
    }
}

try {
    if ($args.Count -lt 3) {
        throw "expected the arguments user, code and destination, got $($args.Count)"
    }
    $user = ($args[0..($args.Count - 3)] | ForEach-Object { [string]$_ }) -join " "
    $code = [string]$args[$args.Count - 2]
    $destination = [string]$args[$args.Count - 1]
    # The module passes the code as a number, so 012345 arrives as 12345; the
    # settings dialog's test delivery passes "TestOTP".
    if ($code -match '^[0-9]{1,6}\z') {
        $code = $code.PadLeft(6, [char]'0')
    } elseif ($code -cne "TestOTP") {
        throw "the code is not a number of up to six digits: '$code'"
    }
    if ($destination -notmatch '^[^@\s]+@[^@\s]+$') {
        throw "the destination of $user is not an e-mail address: '$destination'"
    }

    Send-CodeByMail -User $user -Code $code -Destination $destination
    # Blanks around the marker: the default marker is " OK ".
    Set-DeliveryStatus ("Code sent by e-mail to $destination. " + (Get-SuccessMarker).Trim() + " ")
    exit 0
} catch {
    Set-DeliveryStatus ("Error: e-mail not sent: " + $_.Exception.Message)
    exit 1
}
